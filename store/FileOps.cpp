#include "FileOps.h"

#include <fcntl.h>
#include <unistd.h>

namespace store {

int PosixFileOps::open(const char* path, int flags) {
    return ::open(path, flags);
}

int PosixFileOps::fstat(int fd, struct stat* info) {
    return ::fstat(fd, info);
}

ssize_t PosixFileOps::pread(int fd, void* buffer, std::size_t count, off_t offset) {
    return ::pread(fd, buffer, count, offset);
}

ssize_t PosixFileOps::pwrite(int fd, const void* buffer, std::size_t count, off_t offset) {
    return ::pwrite(fd, buffer, count, offset);
}

int PosixFileOps::fsync(int fd) {
    return ::fsync(fd);
}

int PosixFileOps::close(int fd) {
    return ::close(fd);
}

} // namespace store
