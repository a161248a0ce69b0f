#include "ui/backup_reader.h"

#include "engine/stop_request.h"

#include <utility>

namespace mendrake {

BackupReader::BackupReader(std::string folder, HWND window, UINT message)
    : job_([this, folder = std::move(folder), window, message] { Read(folder, window, message); },
           [this, window, message] {
               done_.store(true);
               PostMessageA(window, message, 0, 0);
           }) {}

void BackupReader::Read(const std::string& folder, HWND window, UINT message) {
    for (BackupEntry& entry : FindBackups(folder)) {
        CheckStopRequest(); // the dialog closes, or lists the folder again
        CountBackup(entry);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ready_.push_back(std::move(entry));
        }
        PostMessageA(window, message, 0, 0);
    }
}

std::vector<BackupEntry> BackupReader::Take() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(ready_, {});
}

} // namespace mendrake
