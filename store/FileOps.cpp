#include "FileOps.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace store {

namespace {

// One statx call gives what fstat gives and the birth time besides.
int statusOf(int dirfd, const char* path, int flags, FileStatus* status) {
    struct statx info {};
    if (::statx(dirfd, path, flags | AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME,
                &info) != 0)
        return -1;
    status->mode = info.stx_mode;
    status->size = static_cast<off_t>(info.stx_size);
    status->device = makedev(info.stx_dev_major, info.stx_dev_minor);
    status->inode = info.stx_ino;
    status->owner = info.stx_uid;
    status->group = info.stx_gid;
    status->hasBirthTime = (info.stx_mask & STATX_BTIME) != 0;
    status->birthTime = {info.stx_btime.tv_sec, info.stx_btime.tv_nsec};
    return 0;
}

} // namespace

int PosixFileOps::open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

int PosixFileOps::fstat(int fd, FileStatus* status) {
    return statusOf(fd, "", AT_EMPTY_PATH, status);
}

int PosixFileOps::stat(const char* path, FileStatus* status) {
    return statusOf(AT_FDCWD, path, 0, status);
}

int PosixFileOps::lstat(const char* path, FileStatus* status) {
    return statusOf(AT_FDCWD, path, AT_SYMLINK_NOFOLLOW, status);
}

ssize_t PosixFileOps::readlink(const char* path, char* buffer, std::size_t size) {
    return ::readlink(path, buffer, size);
}

ssize_t PosixFileOps::read(int fd, void* buffer, std::size_t count) {
    return ::read(fd, buffer, count);
}

ssize_t PosixFileOps::write(int fd, const void* buffer, std::size_t count) {
    return ::write(fd, buffer, count);
}

ssize_t PosixFileOps::pread(int fd, void* buffer, std::size_t count, off_t offset) {
    return ::pread(fd, buffer, count, offset);
}

ssize_t PosixFileOps::pwrite(int fd, const void* buffer, std::size_t count, off_t offset) {
    return ::pwrite(fd, buffer, count, offset);
}

int PosixFileOps::fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}

int PosixFileOps::fchown(int fd, uid_t owner, gid_t group) {
    return ::fchown(fd, owner, group);
}

int PosixFileOps::fsync(int fd) {
    return ::fsync(fd);
}

int PosixFileOps::close(int fd) {
    return ::close(fd);
}

int PosixFileOps::rename(const char* from, const char* to) {
    return std::rename(from, to);
}

int PosixFileOps::unlink(const char* path) {
    return ::unlink(path);
}

int PosixFileOps::mkostemp(char* pattern, int flags) {
    return ::mkostemp(pattern, flags);
}

} // namespace store
