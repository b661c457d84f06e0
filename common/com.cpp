#include "orrel/com.h"

#include <cstdio>
#include <cstring>

namespace orrel {

HRESULT QISearch(void* object, const QIEntry* table, REFIID riid, void** ppv) noexcept
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!object || !table || !table[0].iid) return E_NOINTERFACE;
    for (const QIEntry* entry = table; entry->iid; ++entry) {
        if (IsEqualIID(riid, *entry->iid) || (entry == table && IsEqualIID(riid, IID_IUnknown))) {
            IUnknown* unknown = reinterpret_cast<IUnknown*>(static_cast<char*>(object) + entry->offset);
            unknown->AddRef();
            *ppv = unknown;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

void GuidToString(REFGUID g, char (&out)[39]) noexcept
{
    std::snprintf(out, sizeof out, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
}

namespace {
int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ReadHex(const char*& p, int digits, unsigned long long& value)
{
    value = 0;
    for (int i = 0; i < digits; ++i) {
        int v = HexValue(p[i]);
        if (v < 0) return false;
        value = value * 16 + static_cast<unsigned>(v);
    }
    p += digits;
    return true;
}
}  // namespace

bool StringToGuid(const char* text, GUID* out) noexcept
{
    if (!text || !out || std::strlen(text) != 38 || text[0] != '{' || text[37] != '}') return false;
    const char* p = text + 1;
    unsigned long long v = 0;
    GUID g{};
    if (!ReadHex(p, 8, v) || *p++ != '-') return false;
    g.Data1 = static_cast<unsigned long>(v);
    if (!ReadHex(p, 4, v) || *p++ != '-') return false;
    g.Data2 = static_cast<unsigned short>(v);
    if (!ReadHex(p, 4, v) || *p++ != '-') return false;
    g.Data3 = static_cast<unsigned short>(v);
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && *p++ != '-') return false;
        if (!ReadHex(p, 2, v)) return false;
        g.Data4[i] = static_cast<unsigned char>(v);
    }
    *out = g;
    return true;
}

}  // namespace orrel
