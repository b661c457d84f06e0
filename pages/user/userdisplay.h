// What the read-only User pages show, decided from the values read: the
// Login Account page and the Password page. Pure code (no <windows.h>):
// the pages give a reader over the directory, the texts of their string
// table and the time format; tests give tables.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orrel {
namespace userpages {

// One attribute's first value as the pages use it: true when a value was
// read, with its syntax and its 32-bit content (a boolean as 0 or 1; 0 when
// the value is of another shape).
using ValueReader =
    std::function<bool(const char* attribute, std::uint32_t* syntax, std::uint32_t* raw)>;

struct DisplayTexts {
    std::string unlimited;  // 113 "Unlimited"
    std::string enabled;    // 114 "Enabled"
    std::string disabled;   // 115 "Disabled"
    // Seconds since 1970 as the pages show single times.
    std::function<std::string(std::uint32_t)> formatTime;
};

// Login Account page (5000).
struct AccountDisplay {
    std::string lastLogin;       // 5001
    std::string expiration;      // 5002
    std::string graceLimit;      // 5003
    std::string graceRemaining;  // 5004
    std::string maxLogins;       // 5005
    std::string status;          // 5007
    std::string balance;         // 5008
    std::string lowLimit;        // 5009
    bool graceRemainingLabelEnabled = true;  // 8009
    bool balanceLabelEnabled = true;         // 8010
};

AccountDisplay DescribeLoginAccount(const ValueReader& read, const DisplayTexts& texts);

// Password page (6000).
struct PasswordDisplay {
    bool allowChange = false;  // check 6002
    bool required = false;     // check 6003
    bool periodic = false;     // check 6007
    bool unique = false;       // check 6013
    std::string minLength;     // 6006
    std::string intervalDays;  // 6009
    std::string expires;       // 6011
    bool changeButtonEnabled = false;   // 6001
    bool minLengthLabelEnabled = false; // 6005
    bool periodicGroupEnabled = false;  // 6008
    bool uniqueGroupEnabled = false;    // 6014
    bool intervalLabelEnabled = false;  // 6010
    bool expiresLabelEnabled = false;   // 6012
};

PasswordDisplay DescribePassword(const ValueReader& read, const DisplayTexts& texts);

// Whole days of an interval in seconds, as "%ld" (7776000 -> "90").
std::string IntervalDaysText(std::int32_t seconds);

// The leftmost part of a directory name, without the leading "." of an
// absolute name: ".JDoe.Sales.Corp" -> "JDoe".
std::string LeftmostNamePart(const std::string& objectName);

}  // namespace userpages
}  // namespace orrel
