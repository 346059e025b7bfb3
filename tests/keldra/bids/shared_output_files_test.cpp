// Files every participant task writes: many writers at once never leave a torn file, and a
// reader sees one writer's whole content or another's.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "keldra/bids/shared_output_files.h"
#include "tests/keldra/fixtures/test_folder.h"

namespace orvane::bids {
namespace {

TEST(SharedOutputFiles, ConcurrentWritersNeverTearAFile) {
    test::TestFolder out;
    const std::string first(300000, 'a');
    const std::string second = std::string(200000, 'b') + "\n";
    std::vector<pid_t> writers;
    for (int w = 0; w < 6; ++w) {
        pid_t id = fork();
        if (id == 0) {
            bool ok = true;
            for (int i = 0; i < 100 && ok; ++i) {
                std::string error;
                ok = replaceFileContent(out.path().string(), "dataset_description.json", (i + w) % 2 ? first : second,
                                        error);
            }
            _exit(ok ? 0 : 1);
        }
        writers.push_back(id);
    }
    // Read for as long as any writer is still writing.
    int torn = 0;
    int seen = 0;
    std::size_t running = writers.size();
    while (running > 0) {
        std::string content = out.read("dataset_description.json");
        if (!content.empty()) {
            ++seen;
            torn += content != first && content != second;
        }
        for (pid_t& id : writers) {
            int status = 0;
            if (id > 0 && waitpid(id, &status, WNOHANG) == id) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                id = 0;
                --running;
            }
        }
    }
    EXPECT_GT(seen, 0);
    EXPECT_EQ(torn, 0);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out.path())) {
        ++files;
        EXPECT_EQ(entry.path().filename(), "dataset_description.json");
    }
    EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace orvane::bids
