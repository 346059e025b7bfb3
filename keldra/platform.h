// The few operating-system services keldra needs, behind one small interface so that another
// platform can supply them: loading a module and finding its exports, the folder of the
// running executable, moving a finished file into place without replacing anything, and
// whether a person is at the keyboard, and the identity and flushing of files.
#pragma once

#include <memory>
#include <string>

namespace orvane::keldra {

// A loaded module; unloaded when destroyed.
class DynamicLibrary {
public:
    // Loads the module at `path`; null with the loader's reason in `error` when it cannot.
    static std::unique_ptr<DynamicLibrary> open(const std::string& path, std::string& error);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // The exported function of that name, or null.
    using Function = void (*)();
    Function function(const char* name) const;

private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}
    void* handle_;
};

// The folder holding the running executable, without a trailing separator; empty if unknown.
std::string executableDirectory();

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

// Writes that exceed the file size limit fail with an error instead of ending the process,
// so that a failed write can be cleaned up.
void reportOversizedWritesAsErrors();

// True when standard input is a terminal.
bool isInteractiveInput();

// A number that distinguishes this process from others running at the same time.
long processNumber();

}  // namespace orvane::keldra
