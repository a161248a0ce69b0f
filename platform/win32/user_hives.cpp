// Other users' hives: loaded below HKEY_USERS with the privileges Windows demands for it, and
// the names of the accounts they belong to.
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

#include <sddl.h>

#include <memory>

namespace mendrake::platform {

namespace {

// Enables the backup and restore privileges in the process's token: RegLoadKey and
// RegUnLoadKey refuse without both (ERROR_PRIVILEGE_NOT_HELD). An administrator's elevated token
// holds them disabled; AdjustTokenPrivileges succeeds for a token that lacks them too, and says
// so only through ERROR_NOT_ALL_ASSIGNED.
long EnableHivePrivileges() {
    FileHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                          token.put())) {
        return static_cast<long>(GetLastError());
    }
    for (const wchar_t* name : {L"SeBackupPrivilege", L"SeRestorePrivilege"}) {
        TOKEN_PRIVILEGES wanted{};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!LookupPrivilegeValueW(nullptr, name, &wanted.Privileges[0].Luid)) {
            return static_cast<long>(GetLastError());
        }
        if (!AdjustTokenPrivileges(token.get(), FALSE, &wanted, 0, nullptr, nullptr)) {
            return static_cast<long>(GetLastError());
        }
        if (GetLastError() == ERROR_NOT_ALL_ASSIGNED) {
            return ERROR_PRIVILEGE_NOT_HELD;
        }
    }
    return ERROR_SUCCESS;
}

} // namespace

long Win32Platform::LoadHive(std::string_view name, std::string_view file) {
    std::u16string wideName, wideFile;
    if (!Utf16FromAnsiExactly(name, wideName) || !Utf16FromAnsiExactly(file, wideFile)) {
        return ERROR_INVALID_NAME;
    }
    if (const long enabled = EnableHivePrivileges(); enabled != ERROR_SUCCESS) {
        return enabled;
    }
    return RegLoadKeyW(HKEY_USERS, reinterpret_cast<const wchar_t*>(wideName.c_str()),
                       reinterpret_cast<const wchar_t*>(wideFile.c_str()));
}

long Win32Platform::UnloadHive(std::string_view name) {
    std::u16string wideName;
    if (!Utf16FromAnsiExactly(name, wideName)) {
        return ERROR_INVALID_NAME;
    }
    if (const long enabled = EnableHivePrivileges(); enabled != ERROR_SUCCESS) {
        return enabled;
    }
    return RegUnLoadKeyW(HKEY_USERS, reinterpret_cast<const wchar_t*>(wideName.c_str()));
}

std::string Win32Platform::AccountName(std::string_view sid) {
    PSID binary = nullptr;
    if (!ConvertStringSidToSidA(std::string(sid).c_str(), &binary)) {
        return {};
    }
    const std::unique_ptr<void, decltype(&LocalFree)> owner(binary, &LocalFree);
    wchar_t account[256];
    wchar_t domain[256];
    DWORD accountSize = 256, domainSize = 256;
    SID_NAME_USE use{};
    if (!LookupAccountSidW(nullptr, binary, account, &accountSize, domain, &domainSize, &use)) {
        return {};
    }
    std::u16string whole(domain, domain + domainSize);
    if (!whole.empty()) {
        whole += u'\\';
    }
    whole.append(account, account + accountSize);
    std::string ansi;
    return AnsiFromUtf16Exactly(whole, ansi) ? ansi : std::string();
}

} // namespace mendrake::platform
