// Values written as the registry holds them, for tests that plant what no .reg file shows.
// Windows only.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>
#include <string_view>

namespace mendrake::test {

// Writes `data` as value `name` of the open `key` through NtSetValueKey, which takes a counted
// name and the bytes as they are: names with embedded NULs, odd lengths and missing terminators
// stay so (RegSetValueExW would end a name at its first NUL). Returns the NTSTATUS, 0 on
// success, -1 when ntdll has no such function.
long SetRawValue(HKEY key, std::wstring_view name, DWORD type, std::string data);

} // namespace mendrake::test
#endif
