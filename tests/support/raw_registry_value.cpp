#include "tests/support/raw_registry_value.h"

#ifdef _WIN32
#include <winternl.h>

namespace mendrake::test {

long SetRawValue(HKEY key, std::wstring_view name, DWORD type, std::string data) {
    using SetValueKey = LONG(NTAPI*)(HANDLE, UNICODE_STRING*, ULONG, ULONG, void*, ULONG);
    static const auto setValue = reinterpret_cast<SetValueKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSetValueKey")));
    if (setValue == nullptr) {
        return -1;
    }
    std::wstring counted_name(name);
    UNICODE_STRING counted;
    counted.Buffer = counted_name.data();
    counted.Length = static_cast<USHORT>(counted_name.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    return setValue(key, &counted, 0, type, data.data(), static_cast<ULONG>(data.size()));
}

} // namespace mendrake::test
#endif
