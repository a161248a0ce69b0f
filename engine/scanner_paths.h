// Small rules the registry scanners share: root handles, string kinds, and how a tested path
// is worked out from what a registry entry holds.
#pragma once

#include "engine/analysis_run.h"
#include "engine/registry_access.h"
#include "engine/registry_views.h"
#include "platform/platform.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mendrake {

inline constexpr auto kHkcr = static_cast<std::uint32_t>(platform::kClassesRoot);
inline constexpr auto kHkcu = static_cast<std::uint32_t>(platform::kCurrentUser);
inline constexpr auto kHklm = static_cast<std::uint32_t>(platform::kLocalMachine);
inline constexpr auto kHku = static_cast<std::uint32_t>(platform::kUsers);

inline bool IsTextKind(ValueKind kind) {
    return kind == ValueKind::Text || kind == ValueKind::ExpandText;
}

// The value's text when it is of a string kind; empty otherwise (missing values included).
std::string TextIfString(RegistryAccess& reg, std::string_view name);

// Whether `text` has the shape of a class id: "{" 8-4-4-4-12 hexadecimal digits "}".
bool LooksLikeClassId(std::string_view text);

// The program path of a shell verb's command: the command path, cut after the first ".EXE "
// (in any letter case) so that it ends with the extension.
std::string VerbProgramPath(std::string_view command);

// Whether the program that a command line starts is missing. `path` is what was taken out of
// `command`; only paths with a drive part are judged, as a program of `view` sees them. The
// command is resolved the way Windows starts it (see CommandProgramFound), so plain arguments
// after the program or a missing ".exe" do not make an existing program look missing, and a
// program on a drive or share that does not answer is not known to be gone.
bool CommandProgramMissing(AnalysisRun& run, std::string_view command, std::string_view path,
                           RegistryView view = RegistryView::Native);
// Whether a path with a drive part names no file, as a program of `view` sees it, on a volume
// that answers (an entry on a drive or share that can't be reached can't be judged).
bool FileMissingWithDrive(AnalysisRun& run, std::string_view path,
                          RegistryView view = RegistryView::Native);

// What is known of a path that an entry names, for checks that report an entry only when
// everything it names is gone.
enum class PathState {
    Untestable,  // no drive part (an environment reference, a bare or relative name)
    Unreachable, // on a drive or share that does not answer: nothing is known
    Present,     // a file or a folder is there
    Gone,        // nothing is there, on a volume that answers
};
// The state of `path` as a program of `view` sees it: a file or a folder both count as present.
PathState PathStateOf(AnalysisRun& run, std::string_view path,
                      RegistryView view = RegistryView::Native);
// The state of the program a command line starts, resolved as CommandProgramMissing does.
PathState CommandProgramState(AnalysisRun& run, std::string_view command,
                              RegistryView view = RegistryView::Native);
// The icon file of a DefaultIcon text: the path, quoted or not, without its ",index" (a
// resource number, negative for an identifier). Empty for what names no file to test: "%1"
// (the file's own icon), indirect "@" strings, a bare index, and paths without a drive part
// (environment references and bare names are not tested).
std::string IconFilePath(std::string_view text);

// The help file path of a help registration: folder, "\", name, then every pair of
// backslashes collapsed into one, left to right without overlap; the two backslashes that
// begin a network folder ("\\server\share") stay.
std::string HelpFilePath(std::string_view folder, std::string_view name);

// A registered path with its environment references expanded as a program of `view` has
// them: a 32-bit program's %ProgramFiles% and %CommonProgramFiles% are the (x86) folders.
// References to variables that are not set stay as written.
std::string ExpandedPath(std::string_view path, RegistryView view);

// Whether `text` holds an environment reference: "%NAME%", a name without backslashes.
bool HasEnvironmentReference(std::string_view text);
// `text` with its environment references expanded (ExpandedPath); nothing when one of them
// names a variable that is not set, so that what it names cannot be tested.
std::optional<std::string> ExpandedReferences(std::string_view text, RegistryView view);

// Whether `path` lies in a cache of installers that disk cleaners empty while the programs
// they installed stay: the package cache of bundles ("\Package Cache\"), "\Installation
// Information\" and the Windows Installer cache ("<Windows>\Installer\"). A file gone from
// there says nothing about the program.
bool InInstallerCache(std::string_view path);

} // namespace mendrake
