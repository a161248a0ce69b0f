#include "repair/version5_script.h"

#include "engine/error.h"
#include "platform/platform.h"
#include "repair/reg_script.h"
#include "repair/regexport_unit.h"

namespace mendrake {

namespace {

// Built by appending: GCC 12 warns falsely about `"\"" + std::string&&` under optimisation.
std::string ValueLine(const RegScriptValue& value) {
    std::string line;
    if (value.name.empty()) {
        line += '@';
    } else {
        line += '"';
        line += EscapeRegString(value.name);
        line += '"';
    }
    line += '=';
    line += Version5ValueDataText(platform::RegValue{value.type, value.data});
    return line;
}

std::string Utf16LeWithMark(std::string_view ansi) {
    std::u16string wide;
    if (!platform::Os().Utf16FromAnsiExactly(ansi, wide)) {
        throw Error("The backup holds text that is no exact text of the ANSI code page.");
    }
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + wide.size() * 2);
    for (const char16_t unit : wide) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

} // namespace

std::string Version5Script(std::string_view regedit4) {
    // The export's own text read back: every key and value with its type and bytes, in order.
    const RegScript script = ReadRegScript(regedit4);
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const RegScriptKey& key : script.keys) {
        text += '[';
        text += ScriptKeyName(key);
        text += "]\r\n";
        for (const RegScriptValue& value : key.values) {
            text += ValueLine(value);
            text += "\r\n";
        }
        text += "\r\n";
    }
    return Utf16LeWithMark(text);
}

} // namespace mendrake
