// The file-system services that safe output needs, behind one small interface so that another
// platform can supply them: moving a finished file into place (with or without replacing what
// is there), flushing files and folders to disk, the identity of a file whatever name reaches
// it, and a number that tells this process apart for temporary names.
#pragma once

#include <string>

namespace orvane::keldra {

// Moves `from` to `to` unless something already exists at `to`, in which case nothing is
// replaced and false is returned with the reason. `from` is removed in every case.
bool moveIntoPlaceWithoutReplacing(const std::string& from, const std::string& to, std::string& error);

// Moves `from` to `to`, replacing whatever file is at `to` (a link there is replaced, never
// followed). `from` is removed when the move fails.
bool moveIntoPlaceReplacing(const std::string& from, const std::string& to, std::string& error);

// Makes sure the file's content, and the folder's entry for it, have reached the disk.
bool flushFileToDisk(const std::string& path, std::string& error);
bool flushFolderToDisk(const std::string& folder, std::string& error);

// The identity of a file on its disk (device and inode on POSIX): every name of one file,
// including hard and symbolic links to it, has the same identity.
struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool operator==(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
};
// False when nothing is at `path`. `followLinks` false gives the identity of a link itself.
bool fileIdentity(const std::string& path, bool followLinks, FileIdentity& identity);

// Whether a new file can be made in `folder`: makes one under a name no other file has and
// removes it again. False with the system's reason ("Permission denied", "Read-only file
// system") when it cannot.
bool canCreateFileIn(const std::string& folder, std::string& error);

// Writes that exceed the file size limit fail with an error instead of ending the process,
// so that a failed write can be cleaned up.
void reportOversizedWritesAsErrors();

// A number that distinguishes this process from others running at the same time.
long processNumber();
// The name of this machine ("localhost" when the system gives none), as it names its processes'
// temporary folders.
std::string machineName();
// Whether a process of this machine with that number is running. True when it cannot be told
// (a process of another user, say), so that nothing of a running process is ever removed.
bool processIsRunning(long process);

// The system's reason for a failed file operation with error number `code`, such as "No space
// left on device".
std::string systemReason(int code);

#if defined(_WIN32)
// The system's wording for a Windows error code, without the trailing line break.
std::string windowsErrorMessage(unsigned long code);
#endif

}  // namespace orvane::keldra
