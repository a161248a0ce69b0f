// The one error type of Mendrake: an exception that carries the message shown to the user.
#pragma once

#include <stdexcept>
#include <string>

namespace mendrake {

class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Replaces the first "%s" of `format` with `argument` (the messages carry one argument each).
inline std::string FormatMessage1(const std::string& format, const std::string& argument) {
    const auto at = format.find("%s");
    if (at == std::string::npos) {
        return format;
    }
    return format.substr(0, at) + argument + format.substr(at + 2);
}

} // namespace mendrake
