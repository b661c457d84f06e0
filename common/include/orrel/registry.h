// Registry access: an owning key, and registration written from a table.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace orrel {

class RegKey {
public:
    RegKey() noexcept = default;
    explicit RegKey(HKEY key) noexcept : key_(key) {}
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : key_(other.Detach()) {}
    RegKey& operator=(RegKey&& other) noexcept
    {
        if (this != &other) Attach(other.Detach());
        return *this;
    }
    ~RegKey() { Close(); }

    // Open or create along a path of any depth; ERROR_SUCCESS or the error.
    LONG Open(HKEY parent, const char* path, REGSAM access = KEY_ALL_ACCESS) noexcept;
    LONG Create(HKEY parent, const char* path, REGSAM access = KEY_ALL_ACCESS) noexcept;
    void Close() noexcept;
    void Attach(HKEY key) noexcept;
    HKEY Detach() noexcept;
    HKEY Get() const noexcept { return key_; }
    explicit operator bool() const noexcept { return key_ != nullptr; }

    // Writes; REG_SZ is stored with its terminating zero.
    LONG SetString(const char* name, const char* value) noexcept;
    LONG SetDword(const char* name, DWORD value) noexcept;
    LONG SetBinary(const char* name, const void* data, DWORD size) noexcept;

    // Reads of any length: the value is read whole, never truncated.
    LONG QueryDword(const char* name, DWORD* value) const noexcept;
    LONG QueryValue(const char* name, DWORD* type, std::vector<unsigned char>* data) const;
    // A REG_SZ, REG_EXPAND_SZ or REG_BINARY text, cut at its first zero byte.
    LONG QueryString(const char* name, std::string* value) const;

    // Subkey name at an index (ERROR_NO_MORE_ITEMS at the end).
    LONG EnumKey(DWORD index, std::string* name) const;
    bool HasSubkeys() const noexcept;

    LONG DeleteValue(const char* name) noexcept;

private:
    HKEY key_ = nullptr;
};

// Deletes a key with its whole subtree; a missing key is success.
LONG DeleteKeyTree(HKEY parent, const char* path) noexcept;
bool KeyExists(HKEY parent, const char* path) noexcept;

// Registration as data. In key paths and string data, "%CLSID%" stands for
// the registry form of the class identifier and "%MODULE%" for the full path
// of the DLL. A row with no value name and kind Key only creates the key.
struct RegRow {
    enum Kind { Key, String, Dword };
    HKEY root;
    const char* key;
    const char* valueName;  // null: the default value
    Kind kind;
    const char* text;       // String data
    DWORD number;           // Dword data
};

struct RegSubstitutions {
    std::string clsid;
    std::string module;
};

std::string ExpandRegText(const char* text, const RegSubstitutions& subs);

// Writes every row in order, each on its own: a row whose key cannot be
// created is skipped. Returns the number of rows that failed.
std::size_t WriteRegistryRows(const RegRow* rows, std::size_t count, const RegSubstitutions& subs);

// Deletes the named keys (with their subtrees) in order.
void DeleteRegistryKeys(const RegRow* rows, std::size_t count, const RegSubstitutions& subs);

template <std::size_t N>
std::size_t WriteRegistryRows(const RegRow (&rows)[N], const RegSubstitutions& subs)
{
    return WriteRegistryRows(rows, N, subs);
}

}  // namespace orrel
