#include "engine/user_scope.h"

#include "engine/registry_views.h"

#include <utility>

namespace mendrake {

std::string UserScope::Text(std::string_view below) const {
    return RootAbbreviation(root) + Key(below);
}

UserScope OtherUser(std::string sid, std::string classes, std::string profileFolder) {
    UserScope user;
    user.root = static_cast<std::uint32_t>(platform::kUsers);
    user.hive = "\\" + sid;
    user.classes = std::move(classes);
    user.sid = std::move(sid);
    user.profileFolder = std::move(profileFolder);
    return user;
}

} // namespace mendrake
