// Writing a gzip file as a series of members that are compressed at the same time on several
// threads (ISA-L's deflate) and written in order. A file of several members is one valid gzip
// stream: gzip, zlib's readers, nifti_clib and nibabel read it back as the bytes given here,
// in order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvane::keldra {

// The compression level of keldra's .nii.gz files, on ISA-L's scale (0 stores without
// compressing, 1 is the fastest that compresses, 3 the smallest). Level 1 is also what nibabel
// writes with by default (on zlib's scale); on scanner-like data ISA-L's level 1 is about three
// times as fast as libdeflate's level 1 and a few per cent smaller than zlib's level 1.
constexpr int kOutputCompressionLevel = 1;

// How many bytes go into one member at most: large enough that the lost matches across member
// boundaries cost nothing measurable, small enough that an 8-bit anatomical keeps two threads
// busy.
constexpr std::size_t kGzipMemberBytes = std::size_t{1} << 20;

// The number of compressing threads worth starting on this machine (at least 1).
unsigned compressionThreads();

class ParallelGzipWriter {
public:
    // Writes to `descriptor`, which it does not own, compressing at `level` on `threads`
    // threads (at least one is started).
    ParallelGzipWriter(int descriptor, int level, unsigned threads);
    // Waits for the threads; what was not finished is not written.
    ~ParallelGzipWriter();
    ParallelGzipWriter(const ParallelGzipWriter&) = delete;
    ParallelGzipWriter& operator=(const ParallelGzipWriter&) = delete;

    // Appends `size` bytes at `data`, which must stay valid and unchanged until finish()
    // returned. Waits while too much is queued, so that memory stays bounded. False once
    // anything failed (the reason comes from finish()).
    bool append(const unsigned char* data, std::size_t size);
    // Appends bytes the writer keeps until they are compressed.
    bool append(std::vector<unsigned char> bytes);
    // Compresses and writes everything appended. False with the reason when anything failed.
    bool finish(std::string& error);

private:
    struct Member {
        const unsigned char* data = nullptr;
        std::size_t size = 0;
        std::shared_ptr<const std::vector<unsigned char>> owner;  // keeps `data` alive, or null
        bool started = false;
        bool compressed = false;
        std::vector<unsigned char> output;
    };

    bool queue(const unsigned char* data, std::size_t size, const std::shared_ptr<const std::vector<unsigned char>>& owner);
    bool push(Member member);
    void compressLoop();
    // Writes the compressed members at the front of the queue; call with the lock held.
    void writeFinishedMembers(std::unique_lock<std::mutex>& lock);
    void fail(const std::string& reason);

    const int descriptor_;
    const int level_;
    const std::size_t maxQueued_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Member> members_;  // in file order; the front is the next to be written
    bool stopping_ = false;
    bool writing_ = false;
    bool pushed_ = false;
    std::string error_;
    std::vector<std::thread> threads_;
};

}  // namespace orvane::keldra
