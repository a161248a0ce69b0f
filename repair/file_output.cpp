#include "repair/file_output.h"

#include "engine/error.h"
#include "platform/platform.h"

namespace mendrake {

namespace {

// Throws the error of a write that stopped at `result`; returns for one that was done.
void Check(const std::string& path, const platform::FileWriteResult& result) {
    platform::Platform& os = platform::Os();
    using Stage = platform::FileWriteResult::Stage;
    switch (result.stage) {
    case Stage::Done:
        return;
    case Stage::Create:
        throw Error("Cannot create file \"" + path + "\". " + os.ErrorText(result.error));
    case Stage::Write:
    case Stage::Flush:
    case Stage::Close:
        throw Error("Cannot write file \"" + path + "\". " + os.ErrorText(result.error));
    }
}

} // namespace

void WriteTextFile(const std::string& path, std::string_view text) {
    Check(path, platform::Os().WriteWholeFile(path, text, true));
}

bool WriteNewTextFile(const std::string& path, std::string_view text) {
    constexpr std::uint32_t kAlreadyExists = 183; // ERROR_ALREADY_EXISTS, from some file systems
    platform::Platform& os = platform::Os();
    const platform::FileWriteResult result = os.WriteWholeFile(path, text, false);
    // Only a file holds the name as another writer's output would; a folder of that name is
    // no such file but a name that cannot be written, and says so.
    if (result.stage == platform::FileWriteResult::Stage::Create &&
        (result.error == platform::kFileExists || result.error == kAlreadyExists)) {
        const std::uint32_t attributes = os.FileAttributes(path);
        if (attributes == platform::kInvalidAttributes ||
            (attributes & platform::kAttrDirectory) == 0) {
            return false;
        }
    }
    Check(path, result);
    return true;
}

} // namespace mendrake
