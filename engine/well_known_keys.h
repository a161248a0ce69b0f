// Keys that Windows, the shell or the registry itself own. They hold other programs'
// registrations (the class list, the shell's verbs for every folder) or are places that
// Windows looks in (policies, registered applications), so they stay however empty they are or
// become: a key of theirs may be a finding, the container never is.
#pragma once

#include <string_view>

namespace mendrake {

// Whether `name`, a key directly below a "Software" key (HKLM\Software, its 32-bit twin, or
// HKCU\Software), is one of Windows' own: Microsoft, Classes, Policies, Clients, Wow6432Node...
bool IsWindowsSoftwareKey(std::string_view name);

// Whether the key at `location` (a finding's deleted location: "HKCR\CLSID",
// "HKCU\Software\Classes\Directory\shell", "HKLM\Software\Policies") is a container that is
// never deleted: a list of the classes root (CLSID, Interface, TypeLib, AppID, Applications,
// SystemFileAssociations ...) in any classes root and view, the shell's objects (*, Directory,
// Folder, Drive ...) with their verb and handler lists, a classes root itself, a Software key
// or one of Windows' own keys directly below it.
bool IsWellKnownContainer(std::string_view location);

} // namespace mendrake
