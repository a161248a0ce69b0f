#include "repair/file_output.h"

#include "engine/error.h"
#include "platform/platform.h"

namespace mendrake {

void WriteTextFile(const std::string& path, std::string_view text) {
    platform::Platform& os = platform::Os();
    const platform::FileWriteResult result = os.WriteWholeFile(path, text);
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

} // namespace mendrake
