#include "ui/backup_reader.h"

#include <utility>

namespace mendrake {

BackupReader::BackupReader(std::string folder, HWND window, UINT message)
    : job_([this, folder = std::move(folder), window,
            message](const StopFlag& stop) { Read(folder, window, message, stop); },
           [this, window, message] {
               done_.store(true);
               PostMessageA(window, message, 0, 0);
           }) {}

void BackupReader::Read(const std::string& folder, HWND window, UINT message,
                        const StopFlag& stop) {
    for (BackupEntry& entry : FindBackups(folder)) {
        stop.Check(); // the dialog closes, or lists the folder again
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
