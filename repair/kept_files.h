// Shortcut files removed by a fix with a backup are kept, not destroyed: moved into a folder
// beside the backup script (yyyymmddhhnnss_backup.files\) with a manifest that names, one line
// per file, its original full path and the name it has inside the folder.
#pragma once

#include <string>
#include <vector>

namespace mendrake {

// "C:\dir\20070315142530_backup.reg" -> "C:\dir\20070315142530_backup.files\".
std::string BackupFilesFolder(const std::string& backupPath);

// The manifest's name inside the folder; a kept file never takes it.
inline constexpr const char* kManifestName = "manifest.txt";

struct KeptFile {
    std::string originalPath; // where the file was
    std::string name;         // its name inside the folder
};

// One line per file, "original path" TAB "name", CR LF line ends.
std::string ManifestText(const std::vector<KeptFile>& files);
// Throws Error naming the line of a manifest it cannot read.
std::vector<KeptFile> ParseManifest(const std::string& text);
// The files a backup keeps: none when it has no folder; throws Error when the folder is there
// but its manifest cannot be read.
std::vector<KeptFile> ReadKeptFiles(const std::string& backupPath);

// Why a kept file may not go back to its original path, or empty when it may: only a shortcut
// (".lnk") inside one of `shellFolders` (the folders the scan walks) is put back, by a plain
// path that leads through no folder link, so that a planted manifest cannot make a restore
// (run with administrator rights) place a file anywhere else.
std::string PutBackRefusal(const std::string& originalPath,
                           const std::vector<std::string>& shellFolders);

// Moves files into one backup's folder, made when the first file comes. The manifest is
// written with each file's line before the file moves, so a moved file is always listed.
class FileKeeper {
  public:
    explicit FileKeeper(std::string folder) : folder_(std::move(folder)) {}
    // Moves the file at `path` into the folder; false when it stays where it is (the folder or
    // the manifest cannot be written, or the file cannot be moved). The folder is made with
    // its manifest: when the first manifest cannot be written, the folder goes again.
    bool Keep(const std::string& path);

  private:
    std::string UnusedName(const std::string& fileName) const;
    bool WriteManifest() const;

    std::string folder_;
    bool folderReady_ = false;
    std::vector<KeptFile> kept_;
};

} // namespace mendrake
