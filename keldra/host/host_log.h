// The host's log pane: each entry goes to standard output and to the log file of the output
// folder, and is kept in memory for whatever reports on the run afterwards. keldra's own lines
// about the documents and its warnings go to the log file too, marked as keldra's. The file is
// written when the log is closed, through the safe writer of output_files.h, so that it lands
// complete or not at all.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "keldra/output/output_files.h"

namespace orvane::keldra {

class HostLog {
public:
    // Entries go to `console`; to a file as well once openFile succeeded.
    explicit HostLog(std::ostream& console) : console_(console) {}
    // Closes the file as close() does, if that was not done.
    ~HostLog();
    HostLog(const HostLog&) = delete;
    HostLog& operator=(const HostLog&) = delete;

    // Starts the log file `fileName` in `folder`; refuses a target the policy forbids.
    bool openFile(const std::string& folder, const std::string& fileName, const OutputPolicy& policy,
                  std::string& error);
    // Starts the log file at `path`, which must not exist yet.
    bool openFile(const std::string& path, std::string& error);

    // Flushes the file and moves it into place. False with the reason when that fails.
    bool close(std::string& error);

    // Appends one entry of the plug-in's; a line break is added unless the text ends with one.
    void write(const std::string& text);

    // Adds one of keldra's own lines (a document's description, a warning) to the log file only,
    // marked as keldra's: "keldra: <text>". The terminal has it already, and it is no entry of
    // the plug-in's.
    void note(const std::string& text);

    // The plug-in's entries.
    const std::vector<std::string>& entries() const { return entries_; }

    // Where the host's own notices go, beside the log entries.
    std::ostream& console() { return console_; }

private:
    std::ostream& console_;
    std::vector<std::string> entries_;
    std::string fileText_;  // the plug-in's entries and keldra's lines, in order
    bool fileOpen_ = false;
    std::string folder_;
    std::string fileName_;
    OutputPolicy policy_;
};

}  // namespace orvane::keldra
