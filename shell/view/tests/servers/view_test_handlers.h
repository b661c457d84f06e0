// Extension objects the view tests register: two context-menu handlers of
// directory classes and a stand-in of the search extension. Every call they
// receive is appended to one log, read through the DLL's exports.
#pragma once

#include <windows.h>

namespace vtest {

// Adds "Handler &One" and "Handler &Two"; no default item.
// {D1E7A001-5C3B-4E6A-9F10-000000000001}
static const CLSID kClsidTestMenu = {
    0xD1E7A001, 0x5C3B, 0x4E6A, {0x9F, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};
// Adds "&Open Object" as the menu's default item.
// {D1E7A001-5C3B-4E6A-9F10-000000000002}
static const CLSID kClsidTestDefaultMenu = {
    0xD1E7A001, 0x5C3B, 0x4E6A, {0x9F, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02}};

using LogFunction = int(__cdecl*)(char* buffer, int size);
using ResetFunction = void(__cdecl*)();

}  // namespace vtest
