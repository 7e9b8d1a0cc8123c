#pragma once
// The file calls that the image access makes, behind one small interface: the
// program uses PosixFileOps, tests a scripted one that can fail any call, return a
// short count or change the file between two calls. Each call has the meaning and
// the result of the POSIX call of the same name: -1 with errno set on failure.

#include <cstddef>
#include <sys/stat.h>
#include <sys/types.h>

namespace store {

class FileOps {
public:
    virtual ~FileOps() = default;

    virtual int open(const char* path, int flags) = 0;
    virtual int fstat(int fd, struct stat* info) = 0;
    virtual ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) = 0;
    virtual ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) = 0;
    virtual int fsync(int fd) = 0;
    virtual int close(int fd) = 0;
};

// The calls themselves. Holds no state; one object serves any number of users.
class PosixFileOps : public FileOps {
public:
    int open(const char* path, int flags) override;
    int fstat(int fd, struct stat* info) override;
    ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) override;
    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override;
    int fsync(int fd) override;
    int close(int fd) override;
};

} // namespace store
