// Registry keys and values as REGEDIT4 text, for the backup script written before a fix.
#pragma once

#include "engine/registry_access.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mendrake {

// "HKEY_LOCAL_MACHINE" and the other full root names; empty for an unknown handle.
std::string RootKeyName(std::uint32_t root);
// Backslash, quotation mark, CR and LF escaped as the registry editor reads them.
std::string EscapeRegString(const std::string& text);
// The data part of a value line ("\"text\"", "dword:0000000A", "hex:01,AB", "hex(2):...").
std::string FormatValueData(RegistryAccess& reg, const std::string& name);
// The open key's block and those of its whole subtree.
void ExportKeyLines(RegistryAccess& reg, std::vector<std::string>& lines);
// One block per key of the subtree, holding only the values named `name`.
void ExportValueLines(RegistryAccess& reg, std::vector<std::string>& lines,
                      const std::string& name);
// Opens `path` (below the root, no leading backslash) for the export and the fix, one key at a
// time when the whole path is too long for the ANSI registry functions.
bool OpenKeyPath(RegistryAccess& reg, const std::string& path);
// "REGEDIT4\r\n\r\n".
std::string RegFileHeader();
// The blocks of a key (path from the root, beginning with "\") or of one value, as text;
// empty when the key cannot be opened.
std::string ExportKeyText(std::uint32_t root, const std::string& keyPath);
std::string ExportValueText(std::uint32_t root, const std::string& keyPath,
                            const std::string& valueName);

} // namespace mendrake
