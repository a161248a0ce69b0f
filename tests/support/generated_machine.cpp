#include "tests/support/generated_machine.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace mendrake::test {

namespace {

using platform::Hkey;
using platform::RegChange;

const std::string kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
// The Windows folder of Wine's prefixes and of the memory platform: 32-bit system DLLs are kept
// in its SysWOW64 folder.
const std::string kWindowsFolder = "C:\\windows\\";

// Builds the change list in the order a machine would be written: each key, then its values.
class Writer {
  public:
    explicit Writer(std::vector<RegChange>& out) : out_(out) {}

    void Key(Hkey root, const std::string& path) {
        RegChange change;
        change.kind = RegChange::Kind::CreateKey;
        change.root = root;
        change.path = path;
        out_.push_back(std::move(change));
    }
    void Text(Hkey root, const std::string& path, const std::string& name, const std::string& text,
              std::uint32_t type = platform::kRegSz) {
        Value(root, path, name, type, text + '\0');
    }
    void Number(Hkey root, const std::string& path, const std::string& name, std::uint32_t number) {
        std::string data(4, '\0');
        for (int i = 0; i < 4; ++i) {
            data[static_cast<std::size_t>(i)] = static_cast<char>((number >> (8 * i)) & 0xFF);
        }
        Value(root, path, name, platform::kRegDword, data);
    }
    void Value(Hkey root, const std::string& path, const std::string& name, std::uint32_t type,
               const std::string& data) {
        RegChange change;
        change.kind = RegChange::Kind::SetValue;
        change.root = root;
        change.path = path;
        change.name = name;
        change.type = type;
        change.data = data;
        out_.push_back(std::move(change));
    }

  private:
    std::vector<RegChange>& out_;
};

// A class id that no real class has: the digits come from the tag and the index.
std::string ClassId(const std::string& tag, int index) {
    std::uint64_t h = 1469598103934665603ull;
    for (char c : tag) {
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    std::uint64_t x = h ^ (static_cast<std::uint64_t>(index) * 0x9E3779B97F4A7C15ull);
    auto next = [&x] {
        x ^= x >> 33;
        x *= 0xFF51AFD7ED558CCDull;
        x ^= x >> 33;
        return x;
    };
    const std::uint64_t a = next(), b = next();
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-4%03X-8%03X-%012llX}",
                  static_cast<unsigned>(a >> 32), static_cast<unsigned>((a >> 16) & 0xFFFF),
                  static_cast<unsigned>(a & 0xFFF), static_cast<unsigned>((b >> 48) & 0xFFF),
                  static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFull));
    return text;
}

// `text` in double quotes. (Built by appending: GCC 12 warns falsely about a literal joined to a
// string in front.)
std::string Quoted(const std::string& text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.append(1, '"').append(text).append(1, '"');
    return quoted;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + ('a' - 'A'));
        }
    }
    return text;
}

// What 32-bit programs registered, at the physical Wow6432Node paths a 64-bit program sees:
// a third of the classes (servers among their own DLLs, a share named in System32 and kept in
// SysWOW64, as 32-bit system DLLs are), program ids naming them, and a third of the run,
// App Paths, shared-DLL, uninstall and software entries; a share of each stale.
template <typename Program>
void ThirtyTwoBitView(Writer& w, GeneratedMachine& machine, int n, const std::string& tag,
                      const std::string& base, int programs, const Program& program) {
    const Hkey hkcr = platform::kClassesRoot, hklm = platform::kLocalMachine;
    const std::string twin = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion";
    const int classes = n / 3, dlls = std::max(4, n / 24), systemDlls = std::max(4, n / 160);
    auto dll = [&](int d) {
        return base + "Lib32\\" + std::to_string(d % 10) + "\\" + tag + "lib32_" +
               std::to_string(d) + ".dll";
    };
    // Named as a 32-bit program names it; the file is where such a program finds it.
    auto systemDll = [&](int d) { return tag + "sys32_" + std::to_string(d) + ".dll"; };
    for (int d = 0; d < dlls; ++d) {
        if (d % 10 != 3) {
            machine.files.push_back(dll(d));
        }
    }
    for (int d = 0; d < systemDlls; ++d) {
        if (d % 8 != 5) {
            machine.files.push_back(kWindowsFolder + "SysWOW64\\" + systemDll(d));
        }
    }
    for (int i = 0; i < classes; ++i) {
        const std::string key = "Wow6432Node\\CLSID\\" + ClassId(tag + "32", i);
        w.Key(hkcr, key);
        w.Text(hkcr, key, "", tag + " Class32 " + std::to_string(i));
        w.Key(hkcr, key + "\\InprocServer32");
        w.Text(hkcr, key + "\\InprocServer32", "",
               i % 5 == 2 ? kWindowsFolder + "System32\\" + systemDll(i % systemDlls)
                          : dll((i * 7) % dlls));
        w.Text(hkcr, key + "\\InprocServer32", "ThreadingModel", "Apartment");
    }
    // Program ids are shared by both views: these name 32-bit classes only.
    for (int i = 0; i < classes / 4; ++i) {
        const std::string progId = tag + ".Control32." + std::to_string(i);
        w.Key(hkcr, progId + "\\CLSID");
        w.Text(hkcr, progId + "\\CLSID", "",
               i % 20 == 9 ? ClassId(tag + "gone32", i) : ClassId(tag + "32", (i * 3) % classes));
    }
    for (int d = 0; d < dlls; ++d) {
        if (d % 3 != 1) {
            w.Key(hklm, twin + "\\SharedDlls");
            w.Number(hklm, twin + "\\SharedDlls", dll(d), 1);
        }
    }
    for (int p = 0; p < programs / 3; ++p) {
        const std::string name = tag + "app32_" + std::to_string(p) + ".exe";
        w.Key(hklm, twin + "\\App Paths\\" + name);
        w.Text(hklm, twin + "\\App Paths\\" + name, "", program(p * 3 + 2));
        const std::string product = tag + "Product32_" + std::to_string(p);
        if (p % 15 != 4) {
            w.Key(hklm, twin + "\\Uninstall\\" + product);
            w.Text(hklm, twin + "\\Uninstall\\" + product, "DisplayName", product);
            w.Text(hklm, twin + "\\Uninstall\\" + product, "UninstallString",
                   Quoted(program(p * 3 + 2)) + " /S");
        }
        const std::string cache = kCurrentVersion + "\\App Management\\ARPCache\\" + product;
        w.Key(hklm, cache);
        w.Value(hklm, cache, "SlowInfoCache", platform::kRegBinary, std::string(16, '\x01'));
    }
    for (int i = 0; i < std::max(3, n / 1800); ++i) {
        const std::string system32 = kWindowsFolder + "System32\\";
        const std::string command =
            i % 3 == 0   ? Quoted(program((i * 7 + 3) % programs)) + " -background"
            : i % 3 == 1 ? system32 + systemDll(i % systemDlls)
                         : system32 + tag + "gone32_" + std::to_string(i) + ".exe";
        w.Key(hklm, twin + "\\Run");
        w.Text(hklm, twin + "\\Run", tag + "Run32_" + std::to_string(i), command);
    }
    for (int v = 0; v < std::max(3, n / 240); ++v) {
        const std::string vendor =
            "Software\\Wow6432Node\\" + tag + "Vendor32_" + std::to_string(v);
        w.Key(hklm, vendor);
        if (v % 7 != 2) {
            w.Text(hklm, vendor, "InstallDir",
                   v % 3 == 1 ? base + "Removed32\\" + tag + std::to_string(v) : base);
        }
    }
}

} // namespace

GeneratedMachine GenerateMachine(int classes, const std::string& tag, const std::string& base) {
    GeneratedMachine machine;
    Writer w(machine.registry);
    const Hkey hkcr = platform::kClassesRoot, hkcu = platform::kCurrentUser,
               hklm = platform::kLocalMachine;
    const int n = std::max(classes, 16);
    // Real machines share: about six class registrations and shared-DLL counters per DLL.
    const int dlls = n / 8;
    const int programs = std::max(8, n / 25);
    const int rootKeys = n * 3 / 4;

    auto dll = [&](int d) {
        return base + "Lib" + std::to_string(d % 25) + "\\" + tag + "lib" + std::to_string(d) +
               ".dll";
    };
    auto dllStale = [](int d) { return d % 10 == 7; };
    auto program = [&](int p) {
        return base + "Programs\\Vendor " + std::to_string(p % 30) + "\\" + tag + "app" +
               std::to_string(p) + ".exe";
    };
    auto programStale = [](int p) { return p % 12 == 5; };
    for (int d = 0; d < dlls; ++d) {
        if (!dllStale(d)) {
            machine.files.push_back(dll(d));
        }
    }
    for (int p = 0; p < programs; ++p) {
        if (!programStale(p)) {
            machine.files.push_back(program(p));
        }
    }

    // Class ids: most with an in-process server among the shared DLLs, some with a server
    // path that is never tested (an environment reference), some with a local server only.
    for (int i = 0; i < n; ++i) {
        const std::string id = i % 16 == 9 ? Lower(ClassId(tag, i)) : ClassId(tag, i);
        const std::string key = "CLSID\\" + id;
        w.Key(hkcr, key);
        w.Text(hkcr, key, "", tag + " Class " + std::to_string(i));
        if (i % 8 == 3) {
            w.Key(hkcr, key + "\\LocalServer32");
            w.Text(hkcr, key + "\\LocalServer32", "", program(i % programs) + " /automation");
            continue;
        }
        w.Key(hkcr, key + "\\InprocServer32");
        if (i % 8 == 5) {
            w.Text(hkcr, key + "\\InprocServer32", "",
                   "%SystemRoot%\\System32\\" + tag + "sys" + std::to_string(i % 50) + ".dll",
                   platform::kRegExpandSz);
        } else {
            w.Text(hkcr, key + "\\InprocServer32", "", dll((i * 7) % dlls));
        }
        w.Text(hkcr, key + "\\InprocServer32", "ThreadingModel", "Both");
        if (i % 10 == 2) {
            w.Key(hkcr, key + "\\DefaultIcon");
            w.Text(hkcr, key + "\\DefaultIcon", "", dll((i * 7) % dlls) + ",-1");
        }
        if (i % 4 == 0) {
            w.Key(hkcr, key + "\\ProgID");
            w.Text(hkcr, key + "\\ProgID", "", tag + ".Document." + std::to_string(i));
        }
    }

    // Root keys of the classes tree: extensions and program ids, alternately.
    for (int r = 0; r < rootKeys; ++r) {
        if (r % 2 == 0) {
            const std::string ext = std::string(1, '.').append(Lower(tag)) + std::to_string(r);
            w.Key(hkcr, ext);
            if (r % 20 == 4) {
                continue; // left empty by an uninstaller
            }
            w.Text(hkcr, ext, "", tag + ".Document." + std::to_string(r + 1));
            if (r % 20 == 8) {
                w.Key(hkcr, ext + "\\OpenWithProgids");
                w.Value(hkcr, ext + "\\OpenWithProgids", tag + ".Document." + std::to_string(r + 1),
                        platform::kRegNone, "");
            }
            continue;
        }
        const std::string progId = tag + ".Document." + std::to_string(r);
        w.Key(hkcr, progId);
        w.Text(hkcr, progId, "", tag + " Document " + std::to_string(r));
        if (r % 30 == 15) {
            w.Key(hkcr, progId + "\\Shell"); // a Shell key without verbs and nothing else
            continue;
        }
        w.Key(hkcr, progId + "\\CLSID");
        if (r % 25 == 1) {
            w.Text(hkcr, progId + "\\CLSID", "", ClassId(tag + "gone", r));
        } else if (r % 25 == 13) {
            const std::string id = ClassId(tag, (r * 3) % n);
            w.Text(hkcr, progId + "\\CLSID", "", Lower(id.substr(1, id.size() - 2)));
        } else {
            w.Text(hkcr, progId + "\\CLSID", "", ClassId(tag, (r * 3) % n));
        }
        const int p = r % programs;
        w.Key(hkcr, progId + "\\DefaultIcon");
        w.Text(hkcr, progId + "\\DefaultIcon", "", program(p) + ",1");
        const std::string open = progId + "\\Shell\\Open\\Command";
        w.Key(hkcr, open);
        w.Text(hkcr, open, "", r % 9 == 3 ? program(p) + " /dde" : Quoted(program(p)) + " \"%1\"");
        if (r % 10 == 7) {
            const std::string print = progId + "\\Shell\\Print\\Command";
            w.Key(hkcr, print);
            w.Text(hkcr, print, "", Quoted(program((p + 1) % programs)) + " /p \"%1\"");
        }
    }

    // Application registrations of the "Open with" list.
    for (int p = 0; p < programs / 2; ++p) {
        const std::string app = "Applications\\" + tag + "app" + std::to_string(p) + ".exe";
        w.Key(hkcr, app);
        if (p % 20 == 11) {
            w.Key(hkcr, app + "\\shell");
            continue;
        }
        w.Key(hkcr, app + "\\shell\\open\\command");
        w.Text(hkcr, app + "\\shell\\open\\command", "", Quoted(program(p)) + " \"%1\"");
    }

    // Machine-wide lists below CurrentVersion.
    for (int d = 0; d < dlls; ++d) {
        if (d % 3 == 1) {
            continue; // counted by no installer
        }
        w.Key(hklm, kCurrentVersion + "\\SharedDlls");
        w.Number(hklm, kCurrentVersion + "\\SharedDlls", dll(d), 1u + static_cast<unsigned>(d % 3));
    }
    for (int p = 0; p < programs; ++p) {
        const std::string name = tag + "app" + std::to_string(p) + ".exe";
        const std::string appPath = kCurrentVersion + "\\App Paths\\" + name;
        w.Key(hklm, appPath);
        w.Text(hklm, appPath, "", program(p));
        w.Text(hklm, appPath, "Path", base + "Programs\\Vendor " + std::to_string(p % 30));

        const std::string product = tag + "Product" + std::to_string(p);
        const std::string uninstall = kCurrentVersion + "\\Uninstall\\" + product;
        if (p % 15 != 4) { // removed by hand, its cache entry left behind
            w.Key(hklm, uninstall);
            w.Text(hklm, uninstall, "DisplayName", tag + " Product " + std::to_string(p));
            w.Text(hklm, uninstall, "UninstallString", Quoted(program(p)) + " /uninstall");
            w.Text(hklm, uninstall, "DisplayIcon", program(p) + ",0");
            w.Text(hklm, uninstall, "InstallLocation",
                   base + "Programs\\Vendor " + std::to_string(p % 30) + "\\");
            w.Number(hklm, uninstall, "EstimatedSize", 1024u + static_cast<unsigned>(p));
        }
        const std::string cached = p % 6 == 2 ? Lower(product) : product;
        const std::string cache = kCurrentVersion + "\\App Management\\ARPCache\\" + cached;
        w.Key(hklm, cache);
        w.Value(hklm, cache, "SlowInfoCache", platform::kRegBinary, std::string(16, '\x01'));

        if (p % 2 == 0) {
            const std::string folder = base + "Installed\\Folder" + std::to_string(p) + "\\";
            if (p % 8 != 6) {
                machine.files.push_back(folder + "setup.ini");
            }
            w.Key(hklm, kCurrentVersion + "\\Installer\\Folders");
            w.Text(hklm, kCurrentVersion + "\\Installer\\Folders", folder, "");
        }
        if (p % 2 == 1) {
            const std::string mui = "Software\\Microsoft\\Windows\\ShellNoRoam\\MuiCache";
            w.Key(hkcu, mui);
            w.Text(hkcu, mui, program(p), tag + " App " + std::to_string(p));
        }
    }
    for (int i = 0; i < std::max(6, n / 600); ++i) {
        for (const Hkey root : {hkcu, hklm}) {
            // Run only: Wine's start-up carries out and deletes RunOnce entries.
            const std::string run = kCurrentVersion + "\\Run";
            w.Key(root, run);
            const int p = (i * 5 + (root == hkcu ? 1 : 2)) % programs;
            w.Text(root, run, tag + "Run" + std::to_string(i), Quoted(program(p)) + " /tray");
        }
    }

    // Fonts (full paths into the generated folder, a few bare names that the Fonts folder
    // lacks) and help files (classic and HTML).
    const std::string fonts = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    for (int i = 0; i < n / 30; ++i) {
        const std::string name = tag + " Font " + std::to_string(i) + " (TrueType)";
        w.Key(hklm, fonts);
        if (i % 11 == 6) {
            w.Text(hklm, fonts, name, tag + "bare" + std::to_string(i) + ".ttf");
            continue;
        }
        const std::string path = base + "Fonts\\" + tag + "font" + std::to_string(i) + ".ttf";
        if (i % 9 != 4) {
            machine.files.push_back(path);
        }
        w.Text(hklm, fonts, name, path);
    }
    for (int i = 0; i < std::max(8, n / 80); ++i) {
        const bool html = i % 3 == 2;
        const std::string key =
            html ? "Software\\Microsoft\\Windows\\HTML Help" : "Software\\Microsoft\\Windows\\Help";
        const std::string name = tag + "help" + std::to_string(i) + (html ? ".chm" : ".hlp");
        const std::string folder = base + "Help" + (i % 2 == 0 ? "\\" : "");
        if (i % 7 != 3) {
            machine.files.push_back(base + "Help\\" + name);
        }
        w.Key(hklm, key);
        w.Text(hklm, key, name, folder);
    }

    // Type libraries: one version each, a 32-bit and a 64-bit file (some with a resource index,
    // some only one platform); a share with every file gone, some naming files through an
    // environment reference that is never tested.
    for (int i = 0; i < std::max(8, n / 20); ++i) {
        const std::string version =
            "TypeLib\\" + ClassId(tag + "lib", i) + "\\1." + std::to_string(i % 3);
        w.Key(hkcr, version);
        w.Text(hkcr, version, "", tag + " Type Library " + std::to_string(i));
        w.Key(hkcr, version + "\\FLAGS");
        w.Text(hkcr, version + "\\FLAGS", "", "0");
        w.Key(hkcr, version + "\\HELPDIR");
        w.Text(hkcr, version + "\\HELPDIR", "", base + "Lib" + std::to_string(i % 25));
        const bool gone = i % 10 == 3;
        const std::string file =
            gone ? base + "Gone\\" + tag + "tl" + std::to_string(i) + ".tlb" : dll((i * 3) % dlls);
        if (i % 7 == 5) {
            w.Key(hkcr, version + "\\0\\win32");
            w.Text(hkcr, version + "\\0\\win32", "", "%SystemRoot%\\" + tag + ".tlb",
                   platform::kRegExpandSz);
            continue;
        }
        if (i % 3 != 1) {
            w.Key(hkcr, version + "\\0\\win32");
            w.Text(hkcr, version + "\\0\\win32", "", i % 4 == 2 ? file + "\\2" : file);
        }
        w.Key(hkcr, version + "\\0\\win64");
        w.Text(hkcr, version + "\\0\\win64", "", file);
    }

    // Shell extensions: handlers below a share of the program ids and below "*", icon overlays
    // and the approved list, naming registered classes mostly, a few long gone.
    auto extensionClass = [&](int i) {
        return i % 9 == 4 ? ClassId(tag + "goneext", i) : ClassId(tag, (i * 11) % n);
    };
    const char* const handlerLists[] = {"ContextMenuHandlers", "PropertySheetHandlers",
                                        "DragDropHandlers", "CopyHookHandlers"};
    for (int r = 1; r < rootKeys; r += 2) {
        if (r % 10 != 3) {
            continue;
        }
        const std::string list =
            tag + ".Document." + std::to_string(r) + "\\shellex\\" + handlerLists[(r / 10) % 4];
        w.Key(hkcr, list + "\\" + tag + "Handler");
        w.Text(hkcr, list + "\\" + tag + "Handler", "", extensionClass(r));
        w.Key(hkcr, list + "\\" + ClassId(tag, r % n));
    }
    for (int i = 0; i < std::max(4, n / 400); ++i) {
        const std::string star =
            "*\\shellex\\ContextMenuHandlers\\" + tag + "Star" + std::to_string(i);
        w.Key(hkcr, star);
        w.Text(hkcr, star, "", extensionClass(i));
        const std::string overlay = kCurrentVersion + "\\Explorer\\ShellIconOverlayIdentifiers\\" +
                                    tag + "Overlay" + std::to_string(i);
        w.Key(hklm, overlay);
        w.Text(hklm, overlay, "", extensionClass(i + 1));
    }
    // Handlers of the menu of a folder's empty space, one level below a key of the root.
    for (int i = 0; i < std::max(2, n / 800); ++i) {
        const std::string background = "Directory\\Background\\shellex\\ContextMenuHandlers\\" +
                                       tag + "Background" + std::to_string(i);
        w.Key(hkcr, background);
        w.Text(hkcr, background, "", extensionClass(i + 3));
    }
    // Interfaces: a proxy class among the generated classes (a few of them gone), some with
    // their type library, one in seven with a library registered nowhere.
    for (int i = 0; i < std::max(8, n / 10); ++i) {
        const std::string iface = "Interface\\" + ClassId(tag + "iface", i);
        w.Key(hkcr, iface);
        w.Text(hkcr, iface, "", tag + "Interface" + std::to_string(i));
        w.Key(hkcr, iface + "\\ProxyStubClsid32");
        w.Text(hkcr, iface + "\\ProxyStubClsid32", "",
               i % 11 == 6 ? ClassId(tag + "goneproxy", i) : ClassId(tag, (i * 13) % n));
        if (i % 3 == 0) {
            w.Key(hkcr, iface + "\\TypeLib");
            w.Text(hkcr, iface + "\\TypeLib", "",
                   i % 7 == 3 ? ClassId(tag + "gonelib", i)
                              : ClassId(tag + "lib", i % std::max(8, n / 20)));
            w.Text(hkcr, iface + "\\TypeLib", "Version", "1.0");
        }
    }
    // Per-user registrations (below HKCU\Software\Classes): program ids with a verb and an
    // icon, and the extensions that name them; a share of their programs gone.
    for (int u = 0; u < std::max(4, n / 100); ++u) {
        const std::string progId = "Software\\Classes\\" + tag + ".User." + std::to_string(u);
        const int p = (u * 5 + 2) % programs;
        w.Key(hkcu, progId);
        w.Text(hkcu, progId, "", tag + " User Document " + std::to_string(u));
        w.Key(hkcu, progId + "\\DefaultIcon");
        w.Text(hkcu, progId + "\\DefaultIcon", "", Quoted(program(p)) + ",0");
        w.Key(hkcu, progId + "\\shell\\open\\command");
        w.Text(hkcu, progId + "\\shell\\open\\command", "", Quoted(program(p)) + " \"%1\"");
        const std::string ext = "Software\\Classes\\." + Lower(tag) + "user" + std::to_string(u);
        w.Key(hkcu, ext);
        w.Text(hkcu, ext, "", tag + ".User." + std::to_string(u));
    }
    const std::string approved = kCurrentVersion + "\\Shell Extensions\\Approved";
    for (int i = 0; i < std::max(8, n / 20); ++i) {
        w.Key(hklm, approved);
        w.Text(hklm, approved, extensionClass(i + 2), tag + " Extension " + std::to_string(i));
    }

    // Sound events of a few applications in the user's schemes: files in the generated folder,
    // a share of them gone, and the references to the Windows media folder never tested.
    for (int a = 0; a < std::max(2, n / 1000); ++a) {
        for (int e = 0; e < 12; ++e) {
            const std::string event = "AppEvents\\Schemes\\Apps\\" + tag + "App" +
                                      std::to_string(a) + "\\" + tag + "Event" + std::to_string(e);
            const std::string sound =
                base + "Media\\" + tag + "snd" + std::to_string(a * 12 + e) + ".wav";
            if (e % 5 != 2) {
                machine.files.push_back(sound);
            }
            w.Key(hkcu, event + "\\.Current");
            w.Text(hkcu, event + "\\.Current", "", sound);
            w.Key(hkcu, event + "\\.Default");
            w.Text(hkcu, event + "\\.Default", "", "%SystemRoot%\\media\\" + tag + ".wav",
                   platform::kRegExpandSz);
            w.Key(hkcu, event + "\\.None");
            w.Text(hkcu, event + "\\.None", "", "");
        }
    }

    ThirtyTwoBitView(w, machine, n, tag, base, programs, program);

    // The user's Explorer extension list and the top-level software keys of both roots.
    for (int i = 0; i < rootKeys / 20; ++i) {
        const std::string key =
            kCurrentVersion + "\\Explorer\\FileExts\\." + Lower(tag) + "x" + std::to_string(i);
        w.Key(hkcu, key);
        if (i % 10 == 3) {
            continue;
        }
        if (i % 15 == 7) {
            w.Text(hkcu, key, "", "");
            continue;
        }
        w.Key(hkcu, key + "\\OpenWithList");
        w.Text(hkcu, key + "\\OpenWithList", "a", tag + "app" + std::to_string(i) + ".exe");
    }
    for (int v = 0; v < std::max(4, n / 80); ++v) {
        for (const Hkey root : {hklm, hkcu}) {
            const std::string vendor = "Software\\" + tag + "Vendor" + std::to_string(v);
            w.Key(root, vendor);
            if (v % 7 == 2) {
                continue;
            }
            w.Key(root, vendor + "\\Product");
            w.Text(root, vendor + "\\Product", "Version", "1." + std::to_string(v));
            // The folder of a share of the products was deleted by hand.
            w.Text(root, vendor + "\\Product", "InstallDir",
                   v % 9 == 5 ? base + "Removed\\" + tag + "Product" + std::to_string(v)
                              : base + "Programs");
        }
    }
    return machine;
}

} // namespace mendrake::test
