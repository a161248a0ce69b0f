#include "tests/support/shell_link.h"

#include <stdexcept>

#ifdef _WIN32
#include "platform/win32/handles.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#endif

namespace mendrake::test {

#ifdef _WIN32

namespace {

void Check(HRESULT result, const char* step, const std::string& path) {
    if (FAILED(result)) {
        char code[16];
        std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(result));
        throw std::runtime_error(std::string(step) + " failed for " + path + ": 0x" + code);
    }
}

} // namespace

void MakeShortcut(const std::string& path, const std::string& target) {
    platform::ComPtr<IShellLinkA> link;
    Check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                           reinterpret_cast<void**>(link.put())),
          "CoCreateInstance(CLSID_ShellLink)", path);
    Check(link.get()->SetPath(target.c_str()), "IShellLinkA::SetPath", path);
    platform::ComPtr<IPersistFile> file;
    Check(link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())),
          "QueryInterface(IPersistFile)", path);
    wchar_t wide[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0) {
        throw std::runtime_error("path too long for a shortcut: " + path);
    }
    Check(file.get()->Save(wide, TRUE), "IPersistFile::Save", path);
}

#else

void MakeShortcut(const std::string& path, const std::string&) {
    throw std::runtime_error("shortcuts are made with the shell's object, only under Windows: " +
                             path);
}

#endif

} // namespace mendrake::test
