// The host's log pane: each entry goes to standard output and to the log file of the output
// folder, and is kept in memory for whatever reports on the run afterwards.
#pragma once

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace orvane::keldra {

class HostLog {
public:
    // Entries go to `console`; to a file as well once openFile succeeded.
    explicit HostLog(std::ostream& console) : console_(console) {}

    // Creates the log file; refuses to replace an existing one.
    bool openFile(const std::string& path, std::string& error);

    // Appends one entry; a line break is added unless the text ends with one.
    void write(const std::string& text);

    const std::vector<std::string>& entries() const { return entries_; }

    // Where the host's own notices go, beside the log entries.
    std::ostream& console() { return console_; }

private:
    std::ostream& console_;
    std::ofstream file_;
    std::vector<std::string> entries_;
};

}  // namespace orvane::keldra
