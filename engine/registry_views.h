// The two registry views of a 64-bit Windows as a 64-bit program sees them: the plain keys, and
// the keys of 32-bit programs below the Wow6432Node keys, whose paths name files as a 32-bit
// program sees them (its System32 is the SysWOW64 folder).
#pragma once

#include <string>
#include <string_view>

namespace mendrake {

// Where one view keeps the redirected areas, and how its programs see a path.
struct RegistryView {
    // The HKLM software key of the view: "\Software" or "\Software\Wow6432Node".
    std::string_view softwareKey;
    // The prefix of the view's redirected class keys below HKCR: "" or "\Wow6432Node".
    std::string_view classesKey;
    bool thirtyTwoBit;
};

inline constexpr RegistryView kNativeView{"\\Software", "", false};
inline constexpr RegistryView kThirtyTwoBitView{"\\Software\\Wow6432Node", "\\Wow6432Node", true};

// `path` as a 32-bit program sees it on a 64-bit Windows whose Windows folder is
// `windowsFolder` (no trailing backslash): its System32 folder and everything below it is the
// SysWOW64 folder, but for the subfolders Windows exempts from redirection, and "Sysnative" is
// the real System32. Letter case of the folders does not matter; other paths come back as they
// are.
std::string PathSeenBy32BitProgram(std::string_view path, std::string_view windowsFolder);

// `path` as a program of `view` sees it (the Windows folder asked of the platform).
std::string PathSeenInView(const RegistryView& view, std::string_view path);

} // namespace mendrake
