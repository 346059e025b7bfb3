// Where keldra writes a file before it is complete: a hidden folder of the writing process
// beside the file's final place, `.keldra-<machine>-<process>.tmp/`, made when the process
// starts writing there and removed once it writes nothing there any more. A finished file is
// moved out of it into place in one step, so the final name only ever holds a whole file, and
// no reader of keldra's outputs looks into a name that starts with a dot.
//
// The temporary folders are the process's own, and it is the process that a signal stops: so
// they are kept in one table per process, which a stop empties (removeAllTemporaryFiles) before
// the process ends. A process killed outright leaves its folder behind; the next keldra that
// writes into that folder removes the folders of this machine's processes that no longer run
// (removeStaleTemporaryFolders).
#pragma once

#include <string>

namespace orvane::keldra {

// A temporary name for one file; while the object lives, the folder that holds it exists.
// Whatever is left at the name when the object ends is removed.
class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Prepares a name for `fileName` in this process's temporary folder in `folder` (the name
    // ends in `fileName`, so its extension is kept). False with the reason when that folder
    // cannot be made, or when the process is being stopped.
    bool prepare(const std::string& folder, const std::string& fileName, std::string& error);
    const std::string& path() const { return path_; }

private:
    std::string holder_;  // the temporary folder
    std::string path_;
};

// The name of this process's temporary folders: ".keldra-<machine>-<process>.tmp".
std::string temporaryFolderName();

// Removes every temporary folder of this process with what it holds, and lets no new one be
// made: for a process that is about to end because it was stopped. Returns how many files were
// removed. Safe to call while other threads are writing: a file they create in a folder that
// is gone fails to be created.
int removeAllTemporaryFiles();

// Removes from `folder` the temporary folders of this machine's processes that no longer run.
// Returns how many were removed.
int removeStaleTemporaryFolders(const std::string& folder);

}  // namespace orvane::keldra
