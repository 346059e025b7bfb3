// The platform services on Windows: LoadLibraryA/GetProcAddress, GetModuleFileNameA,
// MoveFileExA, FlushFileBuffers, GetFileInformationByHandle, _isatty, GetCurrentProcessId.
#if defined(_WIN32)

#include <windows.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "keldra/platform.h"

namespace orvane::keldra {

namespace {

// The system's wording for a Windows error code, without the trailing line break.
std::string systemMessage(DWORD code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length)
                                                         : "Windows error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

}  // namespace

std::unique_ptr<DynamicLibrary> DynamicLibrary::open(const std::string& path, std::string& error) {
    // The loader wants backslashes; paths put together elsewhere may use either separator.
    std::string windowsPath = path;
    for (char& c : windowsPath) {
        if (c == '/') {
            c = '\\';
        }
    }
    HMODULE module = LoadLibraryA(windowsPath.c_str());
    if (module == nullptr) {
        error = systemMessage(GetLastError());
        return nullptr;
    }
    return std::unique_ptr<DynamicLibrary>(new DynamicLibrary(module));
}

DynamicLibrary::~DynamicLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

DynamicLibrary::Function DynamicLibrary::function(const char* name) const {
    FARPROC symbol = GetProcAddress(static_cast<HMODULE>(handle_), name);
    Function result = nullptr;
    static_assert(sizeof result == sizeof symbol, "function pointers share a size");
    std::memcpy(&result, &symbol, sizeof result);
    return result;
}

std::string executableDirectory() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string(".") : path.substr(0, separator);
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
                    : systemMessage(reason);
    }
    return moved;
}

bool moveIntoPlaceReplacing(const std::string& from, const std::string& to, std::string& error) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        error = systemMessage(GetLastError());
        DeleteFileA(from.c_str());
        return false;
    }
    return true;
}

bool flushFileToDisk(const std::string& path, std::string& error) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = systemMessage(GetLastError());
        return false;
    }
    bool flushed = FlushFileBuffers(file) != 0;
    if (!flushed) {
        error = systemMessage(GetLastError());
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

bool isInteractiveInput() { return _isatty(_fileno(stdin)) != 0; }

long processNumber() { return static_cast<long>(GetCurrentProcessId()); }

}  // namespace orvane::keldra

#endif
