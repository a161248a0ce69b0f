#include "repair/scan_log.h"

#include "engine/common_unit.h"
#include "repair/file_output.h"

#include <cstdio>

namespace mendrake {

namespace {

std::string Digits(const char* format, int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, format, n);
    return buffer;
}

std::string TwoDigits(int n) {
    return Digits("%02d", n);
}

} // namespace

std::string LogHeader(const std::string& computerName, const platform::LocalTime& time,
                      const std::string& timeSeparator) {
    std::string header;
    header += "Log file for for: " + computerName + "\r\n";
    header += "Generated on  " + Digits("%04d", time.year) + "-" + TwoDigits(time.month) + "-" +
              TwoDigits(time.day) + " " + TwoDigits(time.hour) + timeSeparator +
              TwoDigits(time.minute) + "\r\n";
    header += "\r\n";
    header += "Mendrake registry cleaner, copyright (c) Kestrava\r\n";
    header += "\r\n";
    header += "ITEMS:\r\n";
    header += "\r\n";
    return header;
}

std::string LogText(const std::vector<TItem>& issues, const std::string& computerName,
                    const platform::LocalTime& time, const std::string& timeSeparator) {
    std::string text = LogHeader(computerName, time, timeSeparator);
    text.reserve(text.size() + issues.size() * 256);
    for (const TItem& issue : issues) {
        text += IssueBlock(issue);
    }
    return text;
}

void SaveLog(const std::string& path, const std::vector<TItem>& issues) {
    platform::Platform& os = platform::Os();
    // UTF-8 on every machine, whatever the code page of the one that wrote it.
    WriteTextFile(path,
                  os.Utf8FromAnsi(LogText(issues, ComputerName(), os.Now(), os.TimeSeparator())));
}

} // namespace mendrake
