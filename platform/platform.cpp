#include "platform/platform.h"

#include <stdexcept>

namespace mendrake::platform {

namespace {
Platform* current = nullptr;
}

Platform& Os() {
    if (current == nullptr) {
        throw std::logic_error("no platform installed");
    }
    return *current;
}

void SetOs(Platform* platform) {
    current = platform;
}

ScopedOs::ScopedOs(Platform& platform) : previous_(current) {
    current = &platform;
}

ScopedOs::~ScopedOs() {
    current = previous_;
}

} // namespace mendrake::platform
