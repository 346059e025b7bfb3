// A folder of its own for each test, removed afterwards, and small helpers to lay out files.
#pragma once

#include <filesystem>
#include <string>

namespace orvane::bids::test {

class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `content` at `relative`, creating folders on the way.
    void write(const std::string& relative, const std::string& content = "x") const;
    void link(const std::string& relative, const std::string& target) const;
    std::string read(const std::string& relative) const;

private:
    std::filesystem::path path_;
};

}  // namespace orvane::bids::test
