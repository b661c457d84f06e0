#include "orrel/registry.h"

#include <cstring>

namespace orrel {

LONG RegKey::Open(HKEY parent, const char* path, REGSAM access) noexcept
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(parent, path ? path : "", 0, access, &key);
    if (rc == ERROR_SUCCESS) Attach(key);
    return rc;
}

LONG RegKey::Create(HKEY parent, const char* path, REGSAM access) noexcept
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(parent, path ? path : "", 0, nullptr, REG_OPTION_NON_VOLATILE,
                              access, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS) Attach(key);
    return rc;
}

void RegKey::Close() noexcept
{
    if (key_) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
}

void RegKey::Attach(HKEY key) noexcept
{
    Close();
    key_ = key;
}

HKEY RegKey::Detach() noexcept
{
    HKEY key = key_;
    key_ = nullptr;
    return key;
}

LONG RegKey::SetString(const char* name, const char* value) noexcept
{
    if (!value) value = "";
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1));
}

LONG RegKey::SetDword(const char* name, DWORD value) noexcept
{
    return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

LONG RegKey::SetBinary(const char* name, const void* data, DWORD size) noexcept
{
    return RegSetValueExA(key_, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
}

LONG RegKey::QueryDword(const char* name, DWORD* value) const noexcept
{
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_DWORD || size != sizeof(DWORD)) return ERROR_INVALID_DATA;
    DWORD data = 0;
    size = sizeof data;
    rc = RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (rc != ERROR_SUCCESS) return rc;
    if (value) *value = data;
    return ERROR_SUCCESS;
}

LONG RegKey::QueryValue(const char* name, DWORD* type, std::vector<unsigned char>* data) const
{
    // The value may grow between the size query and the read: retry a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD t = 0, size = 0;
        LONG rc = RegQueryValueExA(key_, name, nullptr, &t, nullptr, &size);
        if (rc != ERROR_SUCCESS) return rc;
        std::vector<unsigned char> buffer(size + 1, 0);
        DWORD got = size;
        rc = RegQueryValueExA(key_, name, nullptr, &t, buffer.data(), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return rc;
        buffer.resize(got);
        if (type) *type = t;
        if (data) data->swap(buffer);
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

LONG RegKey::QueryString(const char* name, std::string* value) const
{
    DWORD type = 0;
    std::vector<unsigned char> data;
    LONG rc = QueryValue(name, &type, &data);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_BINARY) return ERROR_INVALID_DATA;
    std::size_t length = 0;
    while (length < data.size() && data[length] != 0) ++length;
    if (value) value->assign(reinterpret_cast<const char*>(data.data()), length);
    return ERROR_SUCCESS;
}

LONG RegKey::EnumKey(DWORD index, std::string* name) const
{
    char buffer[256];
    DWORD size = sizeof buffer;
    LONG rc = RegEnumKeyExA(key_, index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS && name) name->assign(buffer, size);
    return rc;
}

bool RegKey::HasSubkeys() const noexcept
{
    DWORD subkeys = 0;
    if (RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return subkeys != 0;
}

LONG RegKey::DeleteValue(const char* name) noexcept
{
    return RegDeleteValueA(key_, name);
}

LONG DeleteKeyTree(HKEY parent, const char* path) noexcept
{
    if (!path || !*path) return ERROR_INVALID_PARAMETER;
    LONG rc = RegDeleteTreeA(parent, path);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    // RegDeleteTree empties the key; remove the key itself when it is left.
    rc = RegDeleteKeyA(parent, path);
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

bool KeyExists(HKEY parent, const char* path) noexcept
{
    RegKey key;
    return key.Open(parent, path, KEY_READ) == ERROR_SUCCESS;
}

std::string ExpandRegText(const char* text, const RegSubstitutions& subs)
{
    std::string out;
    if (!text) return out;
    for (const char* p = text; *p;) {
        if (std::strncmp(p, "%CLSID%", 7) == 0) {
            out += subs.clsid;
            p += 7;
        } else if (std::strncmp(p, "%MODULE%", 8) == 0) {
            out += subs.module;
            p += 8;
        } else {
            out += *p++;
        }
    }
    return out;
}

std::size_t WriteRegistryRows(const RegRow* rows, std::size_t count, const RegSubstitutions& subs)
{
    std::size_t failed = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const RegRow& row = rows[i];
        RegKey key;
        if (key.Create(row.root, ExpandRegText(row.key, subs).c_str()) != ERROR_SUCCESS) {
            ++failed;
            continue;
        }
        LONG rc = ERROR_SUCCESS;
        if (row.kind == RegRow::String)
            rc = key.SetString(row.valueName, ExpandRegText(row.text, subs).c_str());
        else if (row.kind == RegRow::Dword)
            rc = key.SetDword(row.valueName, row.number);
        if (rc != ERROR_SUCCESS) ++failed;
    }
    return failed;
}

void DeleteRegistryKeys(const RegRow* rows, std::size_t count, const RegSubstitutions& subs)
{
    for (std::size_t i = 0; i < count; ++i)
        DeleteKeyTree(rows[i].root, ExpandRegText(rows[i].key, subs).c_str());
}

}  // namespace orrel
