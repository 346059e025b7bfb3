// Compressing gzip members on several threads and writing them in order.
#include "keldra/nifti/parallel_gzip_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "keldra/deflate/one_call_deflate.h"

namespace orvane::keldra {

namespace {

bool writeAll(int descriptor, const std::vector<unsigned char>& bytes, std::string& error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = std::string("cannot be written: ") + std::strerror(errno);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

unsigned compressionThreads() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

ParallelGzipWriter::ParallelGzipWriter(int descriptor, int level, unsigned threads)
    : descriptor_(descriptor), level_(level), maxQueued_(2 * std::max(threads, 1u) + 2) {
    for (unsigned i = 0; i < std::max(threads, 1u); ++i) {
        try {
            threads_.emplace_back([this] { compressLoop(); });
        } catch (const std::system_error&) {
            break;  // fewer threads, or none: then append() compresses itself
        }
    }
}

ParallelGzipWriter::~ParallelGzipWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void ParallelGzipWriter::fail(const std::string& reason) {
    if (error_.empty()) {
        error_ = reason;
    }
    changed_.notify_all();
}

bool ParallelGzipWriter::append(const unsigned char* data, std::size_t size) {
    return queue(data, size, nullptr);
}

bool ParallelGzipWriter::append(std::vector<unsigned char> bytes) {
    auto owner = std::make_shared<const std::vector<unsigned char>>(std::move(bytes));
    return queue(owner->data(), owner->size(), owner);
}

bool ParallelGzipWriter::queue(const unsigned char* data, std::size_t size,
                               const std::shared_ptr<const std::vector<unsigned char>>& owner) {
    for (std::size_t offset = 0; offset < size; offset += kGzipMemberBytes) {
        Member member;
        member.data = data + offset;
        member.size = std::min(kGzipMemberBytes, size - offset);
        member.owner = owner;
        if (!push(std::move(member))) {
            return false;
        }
    }
    return true;
}

bool ParallelGzipWriter::push(Member member) {
    std::unique_lock<std::mutex> lock(mutex_);
    pushed_ = true;
    if (threads_.empty()) {
        // No thread could be started: compress here, one member at a time.
        OneCallDeflate compressor(level_, DeflateWrapper::Gzip);
        if (!compressor.compress(member.data, member.size, member.output)) {
            fail("cannot be compressed");
        }
        member.started = member.compressed = true;
        members_.push_back(std::move(member));
        writeFinishedMembers(lock);
    } else {
        changed_.wait(lock, [this] { return members_.size() < maxQueued_ || !error_.empty(); });
        members_.push_back(std::move(member));
        changed_.notify_all();
    }
    return error_.empty();
}

void ParallelGzipWriter::compressLoop() {
    // Each member is a complete gzip file.
    OneCallDeflate compressor(level_, DeflateWrapper::Gzip);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        Member* next = nullptr;
        changed_.wait(lock, [&] {
            if (stopping_ || !error_.empty()) {
                return true;
            }
            for (Member& m : members_) {
                if (!m.started) {
                    next = &m;
                    return true;
                }
            }
            return false;
        });
        if (next == nullptr) {
            return;
        }
        next->started = true;
        lock.unlock();
        // The deque only grows at the back and loses compressed members at the front, so
        // `next` stays where it is while the lock is free.
        bool ok = compressor.compress(next->data, next->size, next->output);
        lock.lock();
        if (!ok) {
            fail("cannot be compressed");
            return;
        }
        next->compressed = true;
        next->owner.reset();
        writeFinishedMembers(lock);
        changed_.notify_all();
    }
}

void ParallelGzipWriter::writeFinishedMembers(std::unique_lock<std::mutex>& lock) {
    while (!writing_ && error_.empty() && !members_.empty() && members_.front().compressed) {
        writing_ = true;
        std::vector<unsigned char> output = std::move(members_.front().output);
        members_.pop_front();
        lock.unlock();
        std::string problem;
        bool written = writeAll(descriptor_, output, problem);
        lock.lock();
        writing_ = false;
        if (!written) {
            fail(problem);
        }
        changed_.notify_all();
    }
}

bool ParallelGzipWriter::finish(std::string& error) {
    bool empty = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        empty = !pushed_;
    }
    if (empty) {
        // A gzip file holds at least one member, even for no data.
        static const unsigned char kNothing = 0;
        Member nothing;
        nothing.data = &kNothing;
        push(std::move(nothing));
    }
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return (members_.empty() && !writing_) || !error_.empty(); });
    if (!error_.empty()) {
        error = error_;
        return false;
    }
    return true;
}

}  // namespace orvane::keldra
