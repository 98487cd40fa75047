// SPDX-License-Identifier: GPL-3.0-or-later
#include "presets/FileIo.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace Ryvel
{
namespace
{

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

    // close() can report a deferred write error (NFS, quotas), so its result counts.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty())
    {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Unique within the process by the counter and across processes by the pid; a name left behind
// by a crashed process is simply skipped.
std::string temporaryName(const std::string& folder)
{
    static std::atomic<unsigned> counter{0};
    return folder + "/.ryvel-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1, std::memory_order_relaxed)) + ".tmp";
}

} // namespace

std::optional<std::string> readSmallRegularFile(const std::string& path)
{
    // O_NONBLOCK so that a FIFO named like a settings or preset file cannot block the open.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file.valid())
        return std::nullopt;
    struct stat info
    {
    };
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
        static_cast<std::size_t>(info.st_size) > kMaxReadableFileSize)
        return std::nullopt;

    // The size is re-checked while reading: the file may grow between fstat and read.
    std::string text;
    char buffer[16384];
    for (;;)
    {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        if (text.size() + static_cast<std::size_t>(got) > kMaxReadableFileSize)
            return std::nullopt;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

bool replaceFileAtomically(const std::string& path, std::string_view bytes)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const std::string folder = parent.empty() ? std::string(".") : parent.string();

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
    {
        temporary = temporaryName(folder);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    FileDescriptor file(fd);
    if (!file.valid())
        return false;

    const bool written = writeAll(file.get(), bytes) && ::fsync(file.get()) == 0;
    const bool closed = file.close();
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0)
    {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace Ryvel
