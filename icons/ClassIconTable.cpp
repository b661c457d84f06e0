#include "ClassIconTable.h"

namespace orrel {
namespace icons {
namespace {

// Lookup stops at the first match: the order matters where names repeat.
const ClassIconRow kRows[] = {
    {"Ombra::Folder", 1101},
    {"AFP Server", 101},
    {"Alias", 102},
    {"Bindery Object", 103},
    {"Bindery Queue", 104},
    {"CommExec", 105},
    {"Computer", 106},
    {"Country", 107},
    {"Device", 108},
    {"Directory Map", 109},
    {"External Entity", 110},
    {"Group", 111},
    {"List", 112},
    {"Locality", 113},
    {"Message Routing Group", 114},
    {"Messaging Routing Group", 114},
    {"Messaging Server", 116},
    // The server class of the directory's own file-service protocol.
    {"OCP Server", 117},
    {"Organization", 118},
    {"Organizational Person", 119},
    {"Organizational Role", 120},
    {"Organizational Unit", 121},
    {"Partition", 122},
    {"Person", 123},
    {"Print Server", 124},
    {"Printer", 125},
    {"Profile", 126},
    {"Queue", 127},
    {"Resource", 128},
    {"Server", 129},
    {"Top", 130},
    {"Tree Root", 131},
    {"Unknown", 100},
    {"User", 132},
    {"Volume", 133},

    // Object classes of add-on services. 203 is not used.
    {"Desktop Policy", 201},
    {"User Policy", 202},
    {"Container Policy", 204},
    {"Server Policy", 205},
    {"Login Policy", 206},
    {"Password Policy", 207},
    {"Remote Access Policy", 208},
    {"Desktop Package", 209},
    {"User Package", 210},
    {"Container Package", 211},
    {"Server Package", 212},
    {"Imaging Package", 213},
    {"Application", 214},
    {"Application Folder", 215},
    {"Application Group", 216},
    {"Application Shortcut", 217},
    {"Application Suite", 218},
    {"Certificate Authority", 219},
    {"Key Material", 220},
    {"Trusted Root Container", 221},
    {"Trusted Root", 222},
    {"Certificate Revocation List", 223},
    {"Certificate Template", 224},
    {"License Certificate", 225},
    {"License Container", 226},
    {"Software License", 227},
    {"Metering Certificate", 228},
    {"Print Broker", 229},
    {"Print Service Manager", 230},
    {"Managed Printer", 231},
    {"Print Agent", 232},
    {"Print Notification Service", 233},
    {"Print Resource Store", 234},
    {"Print Gateway", 235},
    {"Catalog", 236},
    {"Catalog Index", 237},
    {"Catalog Schedule", 238},
    {"Catalog Filter", 239},
    {"Role-Based Service", 240},
    {"Role-Based Task", 241},
    {"Role-Based Module", 242},
    {"Role Collection", 243},
    {"LDAP Server", 244},
    {"LDAP Group", 245},
    {"LDAP Attribute Map", 246},
    {"LDAP Class Map", 247},
    {"SLP Directory Agent", 248},
    {"SLP Scope Unit", 249},
    {"SLP Service", 250},
    {"WAN Area", 251},
    {"WAN Policy", 252},
    {"WAN Traffic Schedule", 253},
    {"WAN Connection", 254},
    {"Workstation", 255},
    {"Workstation Group", 256},
    {"Workstation Container", 257},
    {"Workstation Inventory", 258},
    {"Workstation Registration", 259},
    {"Workstation Image", 260},

    {nullptr, kFallbackIconId},
};

constexpr std::size_t kRowCount = sizeof kRows / sizeof kRows[0];

const int kSpareIds[] = {1100, 263};

unsigned char FoldCase(unsigned char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

const ClassIconRow* ClassIconRows() noexcept
{
    return kRows;
}

std::size_t ClassIconRowCount() noexcept
{
    return kRowCount;
}

bool ClassNamesEqual(const char* a, const char* b) noexcept
{
    if (!a || !b) return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    for (; *p && *q; ++p, ++q) {
        if (FoldCase(*p) != FoldCase(*q)) return false;
    }
    return *p == *q;
}

std::size_t FindClassIconRow(const char* className) noexcept
{
    if (className) {
        for (std::size_t i = 0; kRows[i].className; ++i) {
            if (ClassNamesEqual(kRows[i].className, className)) return i;
        }
    }
    return kRowCount - 1;
}

int ClassIconIdOfRow(std::size_t row) noexcept
{
    return row < kRowCount ? kRows[row].iconId : kFallbackIconId;
}

int ClassIconId(const char* className) noexcept
{
    return ClassIconIdOfRow(FindClassIconRow(className));
}

const int* SpareIconIds(std::size_t* count) noexcept
{
    if (count) *count = sizeof kSpareIds / sizeof kSpareIds[0];
    return kSpareIds;
}

}  // namespace icons
}  // namespace orrel
