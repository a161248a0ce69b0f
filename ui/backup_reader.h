// The backups of a folder, read on a worker so that the restore dialog answers while a large
// backup is parsed: the dialog lists each backup as soon as it has been read.
//
// The hand-over: the worker finds the backups (newest first), reads them one by one and puts
// each read entry into `ready_`, then posts `message` to the dialog; the dialog takes what is
// ready with Take() on that message. Only `ready_` (under its lock) and the end flag are shared.
#pragma once

#include "engine/background_job.h"
#include "repair/backup_list.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace mendrake {

class BackupReader {
  public:
    // Starts reading at once; `message` is posted to `window` after each backup and at the end.
    BackupReader(std::string folder, HWND window, UINT message);
    // Stops after the backup being read and waits for the worker.
    ~BackupReader() = default;
    BackupReader(const BackupReader&) = delete;
    BackupReader& operator=(const BackupReader&) = delete;

    // The backups read since the last call, newest first.
    std::vector<BackupEntry> Take();
    // Every backup has been read (and taken or waiting to be).
    bool Done() const { return done_.load(); }

  private:
    void Read(const std::string& folder, HWND window, UINT message, const StopFlag& stop);

    std::mutex mutex_;
    std::vector<BackupEntry> ready_; // under mutex_
    std::atomic<bool> done_{false};
    BackgroundJob job_; // last: it starts when every other member is ready
};

} // namespace mendrake
