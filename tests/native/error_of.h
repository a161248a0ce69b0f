// The message of the Error a call raises, for tests that compare messages.
#pragma once

#include "engine/error.h"

#include <string>

namespace mendrake::test {

// The message of the Error that `call` raises, or "" when it raises none.
template <typename F> std::string ErrorOf(F call) {
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

} // namespace mendrake::test
