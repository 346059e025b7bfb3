// Writing the host's result files: only inside the output folder, never over one of the input
// files (whatever name it is reached by), never over an existing file unless that was asked
// for, and only complete: each file is written under a temporary name in the output folder
// (temporary_files.h), flushed to disk and then moved into place, so a failed, killed or
// stopped write leaves nothing under the final name.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "keldra/output/file_system.h"

namespace orvane::keldra {

// What every output must respect.
struct OutputPolicy {
    // The files the run reads; no output may replace or write into any of them.
    std::vector<FileIdentity> inputs;
    // Existing outputs may be replaced (inputs still never are).
    bool overwrite = false;

    // Adds the file at `path` to the inputs; false when nothing is there.
    bool addInput(const std::string& path);
};

// True when `prefix` can name a file directly inside the output folder: not empty, no path
// separator, no "..", no control characters. Otherwise false with the reason.
bool isSafeFilePrefix(const std::string& prefix, std::string& error);

// True when the policy allows writing at `path`: nothing is there, or overwriting is allowed
// and it is not an input (by itself or through a link). Otherwise false with
// "<path>: <reason>" in `error`.
bool mayWriteOutput(const std::string& path, const OutputPolicy& policy, std::string& error);

// Writes `folder`/`fileName`: `write` is called with a temporary path in `folder` (ending in
// `fileName`, so in its extension too) and fills it, returning false with a reason on failure.
// The result is flushed and moved into place. Refuses, with the reason in `error`, when
// `fileName` is not a plain name or the policy forbids the target; nothing is left behind on
// any failure. Temporary folders that killed keldra processes of this machine left in `folder`
// are removed first.
using OutputWriter = std::function<bool(const std::string& temporaryPath, std::string& error)>;
bool writeOutputFile(const std::string& folder, const std::string& fileName, const OutputPolicy& policy,
                     const OutputWriter& write, std::string& error);

// Writes `size` bytes to a new file at `path`. False with the system's reason ("No space left
// on device") when they do not all reach the file.
bool writeBytes(const std::string& path, const void* data, std::size_t size, std::string& error);

// Writes `text` as `folder`/`fileName` through writeOutputFile; when the bytes cannot be
// written, the reason is `failure` followed by the system's.
bool writeTextOutputFile(const std::string& folder, const std::string& fileName, const OutputPolicy& policy,
                         const std::string& text, const std::string& failure, std::string& error);

}  // namespace orvane::keldra
