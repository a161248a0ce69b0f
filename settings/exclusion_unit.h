// The exclusion list in the settings key: the value "exclude" (REG_MULTI_SZ), one location a
// string, as the issue list shows locations (engine/exclusion_list.h says what one covers).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace mendrake {

// The stored entries in their stored order and spelling, without blank strings and without
// entries that name the same location as an earlier one. No key or no value: an empty list;
// nothing is created. A value of another type throws Error "Invalid data type for 'exclude'"
// (callers report it and go on with an empty list; the value is left as it is).
std::vector<std::string> Exclusions();
// Appends `entry`, in its short form (ShortExclusionEntry), unless the list already names that
// location; true when it was added. Creates the key when needed. Throws Error for a blank entry
// or one of no known form (nothing is written then), for a stored value of another type (it is
// never replaced) and when the key or the value cannot be written.
bool AddExclusion(const std::string& entry);
// The same for several entries in one read and one write of the list; how many were added.
// One refused entry refuses them all.
std::size_t AddExclusions(const std::vector<std::string>& entries);
// Removes every stored entry that names the same location as `entry`; true when there was one.
// The value goes when the list is left empty. Throws as AddExclusion for a stored value of
// another type and a failed write.
bool RemoveExclusion(const std::string& entry);

} // namespace mendrake
