// The file-system services on Windows: MoveFileExA, FlushFileBuffers,
// GetFileInformationByHandle, GetCurrentProcessId.
#if defined(_WIN32)

#include <windows.h>

#include <cstring>
#include <string>

#include "keldra/output/file_system.h"

namespace orvane::keldra {

std::string windowsErrorMessage(unsigned long code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length)
                                                         : "Windows error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

bool moveIntoPlaceWithoutReplacing(const std::string& from, const std::string& to, std::string& error) {
    // Without MOVEFILE_REPLACE_EXISTING the move itself refuses an existing name, so no window
    // opens between a check and the move.
    bool moved = MoveFileExA(from.c_str(), to.c_str(), 0) != 0;
    DWORD reason = moved ? 0 : GetLastError();
    if (!moved) {
        DeleteFileA(from.c_str());
        error = reason == ERROR_ALREADY_EXISTS || reason == ERROR_FILE_EXISTS
                    ? "it already exists and is never overwritten"
                    : windowsErrorMessage(reason);
    }
    return moved;
}

bool moveIntoPlaceReplacing(const std::string& from, const std::string& to, std::string& error) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        error = windowsErrorMessage(GetLastError());
        DeleteFileA(from.c_str());
        return false;
    }
    return true;
}

bool flushFileToDisk(const std::string& path, std::string& error) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = windowsErrorMessage(GetLastError());
        return false;
    }
    bool flushed = FlushFileBuffers(file) != 0;
    if (!flushed) {
        error = windowsErrorMessage(GetLastError());
    }
    CloseHandle(file);
    return flushed;
}

// Folder entries reach the disk with the move itself (MOVEFILE_WRITE_THROUGH).
bool flushFolderToDisk(const std::string& /*folder*/, std::string& /*error*/) { return true; }

bool fileIdentity(const std::string& path, bool followLinks, FileIdentity& identity) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information;
    bool known = GetFileInformationByHandle(file, &information) != 0;
    CloseHandle(file);
    if (known) {
        identity.device = information.dwVolumeSerialNumber;
        identity.inode = (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    }
    return known;
}

// Windows has no file size signal.
void reportOversizedWritesAsErrors() {}

bool canCreateFileIn(const std::string& folder, std::string& error) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string probe = folder + "\\.keldra-probe-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(attempt);
        HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        const DWORD reason = GetLastError();
        if (reason != ERROR_FILE_EXISTS) {
            error = windowsErrorMessage(reason);
            return false;
        }
    }
    error = "no free name for a new file";
    return false;
}

long processNumber() { return static_cast<long>(GetCurrentProcessId()); }

std::string machineName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size) || size == 0) {
        return "localhost";
    }
    return std::string(name, size);
}

bool processIsRunning(long process) {
    HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
    if (handle == nullptr) {
        return GetLastError() != ERROR_INVALID_PARAMETER;  // no such process
    }
    DWORD code = 0;
    const bool running = !GetExitCodeProcess(handle, &code) || code == STILL_ACTIVE;
    CloseHandle(handle);
    return running;
}

std::string systemReason(int code) { return std::strerror(code); }

}  // namespace orvane::keldra

#endif
