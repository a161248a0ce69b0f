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
// Why a value's data cannot be written so that the registry editor gives back the same type
// and bytes ("holds a string without its terminator" ...); empty when it can.
std::string ValueDataProblem(const platform::RegValue& value);
// The data part of a value line ("\"text\"", "dword:0000000A", "hex:01,AB", "hex(1):...") for a
// value without a ValueDataProblem.
std::string ValueDataText(const platform::RegValue& value);
// Opens `path` (below the root, no leading backslash) for the export and the fix, one key at a
// time when the whole path is too long for the ANSI registry functions.
bool OpenKeyPath(RegistryAccess& reg, const std::string& path);
// "REGEDIT4\r\n\r\n".
std::string RegFileHeader();
// The data part of a value line in a version-5 script, where the registry editor reads
// hex(1), hex(2) and hex(7) data as UTF-16LE: ValueDataText, with such strings' bytes turned
// into UTF-16 strictly. Throws Error when a string is no exact text of the ANSI code page.
std::string Version5ValueDataText(const platform::RegValue& value);

// An export's text and, when the text cannot give back exactly what a fix would delete (a key
// below that cannot be read, a name or string the format cannot carry), the first reason.
// Whatever cannot be written exactly is left out of the text.
struct ExportResult {
    std::string text;
    std::string problem;
    // Every name and every string's text is ASCII: the text is the same in every code page
    // and REGEDIT4 carries it exactly. Otherwise only a version-5 script does.
    bool ascii = true;
};
// A key (path from the root, beginning with "\") with its whole subtree, read with KEY_READ:
// everything below counts. Empty text, and no problem, when the key is not there.
ExportResult ExportKey(std::uint32_t root, const std::string& keyPath);
// The value `valueName` of a key, in a block per key of the subtree; only the key's own value
// counts, since nothing else is deleted with it. In the key itself that is the value the name
// reaches, as the deletion finds it (any case of its letters), written under `valueName`; in the
// keys below, a value of exactly that name.
ExportResult ExportValue(std::uint32_t root, const std::string& keyPath,
                         const std::string& valueName);
// The texts of the two exports.
std::string ExportKeyText(std::uint32_t root, const std::string& keyPath);
std::string ExportValueText(std::uint32_t root, const std::string& keyPath,
                            const std::string& valueName);

} // namespace mendrake
