// An open key below HKEY_CURRENT_USER for the settings, closed on every way out.
#pragma once

#include "platform/platform.h"

#include <string>
#include <string_view>

namespace mendrake {

class UserKey {
  public:
    UserKey() = default;
    ~UserKey() {
        if (handle_ != 0) {
            platform::Os().CloseKey(handle_);
        }
    }
    UserKey(const UserKey&) = delete;
    UserKey& operator=(const UserKey&) = delete;

    // Opens with full access; never creates.
    bool Open(const std::string& path) {
        return platform::Os().OpenKey(platform::kCurrentUser, BelowRoot(path),
                                      platform::kKeyAllAccess, handle_) == platform::kSuccess;
    }
    // Opens or creates with every missing level.
    bool Create(const std::string& path) {
        return platform::Os().CreateKey(platform::kCurrentUser, BelowRoot(path), handle_) ==
               platform::kSuccess;
    }
    platform::Hkey Handle() const { return handle_; }

  private:
    // A path that begins with a backslash counts from the hive's root; the registry functions
    // take it without that backslash.
    static std::string_view BelowRoot(std::string_view path) {
        return !path.empty() && path.front() == '\\' ? path.substr(1) : path;
    }

    platform::Hkey handle_ = 0;
};

} // namespace mendrake
