#include "userdisplay.h"

#include <cstdio>

#include "halvet/dirtypes.h"

namespace orrel {
namespace userpages {
namespace {

// The value of an attribute when it is there with the expected syntax.
bool ReadAs(const ValueReader& read, const char* attribute, std::uint32_t syntax,
            std::uint32_t* raw)
{
    std::uint32_t found = 0;
    std::uint32_t value = 0;
    if (!read(attribute, &found, &value) || found != syntax) return false;
    *raw = value;
    return true;
}

std::string SignedText(std::uint32_t raw)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(static_cast<std::int32_t>(raw)));
    return text;
}

std::string TimeText(const DisplayTexts& texts, std::uint32_t seconds)
{
    return texts.formatTime ? texts.formatTime(seconds) : std::string();
}

}  // namespace

AccountDisplay DescribeLoginAccount(const ValueReader& read, const DisplayTexts& texts)
{
    AccountDisplay d;
    std::uint32_t raw = 0;

    if (ReadAs(read, "Last Login Time", HALVET_SYNTAX_TIME, &raw)) d.lastLogin = TimeText(texts, raw);

    d.expiration = ReadAs(read, "Login Expiration Time", HALVET_SYNTAX_TIME, &raw)
                       ? TimeText(texts, raw)
                       : texts.unlimited;

    if (ReadAs(read, "Login Grace Limit", HALVET_SYNTAX_INTEGER, &raw)) {
        d.graceLimit = SignedText(raw);
        if (ReadAs(read, "Login Grace Remaining", HALVET_SYNTAX_COUNTER, &raw))
            d.graceRemaining = SignedText(raw);
    } else {
        d.graceLimit = texts.unlimited;
        d.graceRemainingLabelEnabled = false;
    }

    d.maxLogins = ReadAs(read, "Login Maximum Simultaneous", HALVET_SYNTAX_INTEGER, &raw)
                      ? SignedText(raw)
                      : texts.unlimited;

    d.status = ReadAs(read, "Login Disabled", HALVET_SYNTAX_BOOLEAN, &raw) && raw != 0
                   ? texts.disabled
                   : texts.enabled;

    if (!ReadAs(read, "Allow Unlimited Credit", HALVET_SYNTAX_BOOLEAN, &raw)) {
        d.lowLimit = texts.unlimited;
    } else if (raw != 0) {
        d.lowLimit = texts.unlimited;
        d.balanceLabelEnabled = false;
    } else {
        if (ReadAs(read, "Minimum Account Balance", HALVET_SYNTAX_INTEGER, &raw))
            d.lowLimit = SignedText(raw);
        if (ReadAs(read, "Account Balance", HALVET_SYNTAX_COUNTER, &raw))
            d.balance = SignedText(raw);
    }
    return d;
}

PasswordDisplay DescribePassword(const ValueReader& read, const DisplayTexts& texts)
{
    PasswordDisplay d;
    std::uint32_t raw = 0;

    d.allowChange = ReadAs(read, "Password Allow Change", HALVET_SYNTAX_BOOLEAN, &raw) && raw != 0;
    d.required = ReadAs(read, "Password Required", HALVET_SYNTAX_BOOLEAN, &raw) && raw != 0;
    if (d.required) {
        if (ReadAs(read, "Password Minimum Length", HALVET_SYNTAX_INTEGER, &raw))
            d.minLength = SignedText(raw);
        if (d.allowChange) {
            std::uint32_t syntax = 0;
            if (read("Password Expiration Interval", &syntax, &raw)) {
                d.periodic = true;
                if (syntax == HALVET_SYNTAX_INTERVAL)
                    d.intervalDays = IntervalDaysText(static_cast<std::int32_t>(raw));
            }
            if (ReadAs(read, "Password Expiration Time", HALVET_SYNTAX_TIME, &raw))
                d.expires = TimeText(texts, raw);
        }
    }
    d.unique = ReadAs(read, "Password Unique Required", HALVET_SYNTAX_BOOLEAN, &raw) && raw != 0;

    d.changeButtonEnabled = d.allowChange;
    d.minLengthLabelEnabled = d.required;
    d.periodicGroupEnabled = d.allowChange && d.required;
    d.uniqueGroupEnabled = d.periodicGroupEnabled;
    d.intervalLabelEnabled = d.periodicGroupEnabled && d.periodic;
    d.expiresLabelEnabled = d.intervalLabelEnabled;
    return d;
}

std::string IntervalDaysText(std::int32_t seconds)
{
    char text[16];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(seconds / 86400));
    return text;
}

std::string LeftmostNamePart(const std::string& objectName)
{
    std::size_t start = !objectName.empty() && objectName[0] == '.' ? 1 : 0;
    std::size_t dot = objectName.find('.', start);
    return objectName.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
}

}  // namespace userpages
}  // namespace orrel
