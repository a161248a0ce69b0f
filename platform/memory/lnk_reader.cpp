#include "platform/memory/lnk_reader.h"

namespace mendrake::platform {

std::string ReadShortcutTarget(std::string_view bytes) {
    (void)bytes;
    return {};
}

} // namespace mendrake::platform
