#pragma once
// The file calls that the image access and quendle-stores make, behind one small
// interface: the programs use PosixFileOps, tests a scripted one that can fail any
// call, return a short count or change the file between two calls. Each call has
// the meaning and the result of the POSIX call of the same name: -1 with errno set
// on failure.

#include <cerrno>
#include <cstddef>
#include <ctime>
#include <sys/stat.h>
#include <sys/types.h>

namespace store {

// What fstat and stat tell of a file. The birth time comes from statx where the
// file system keeps one: a new file that reuses an inode number has another.
struct FileStatus {
    mode_t mode = 0;
    off_t size = 0;
    dev_t device = 0;
    ino_t inode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    bool hasBirthTime = false;
    timespec birthTime{};
};

class FileOps {
public:
    virtual ~FileOps() = default;

    // mode is used only with O_CREAT.
    virtual int open(const char* path, int flags, mode_t mode) = 0;
    virtual int fstat(int fd, FileStatus* status) = 0;
    virtual int stat(const char* path, FileStatus* status) = 0; // follows symbolic links
    virtual int lstat(const char* path, FileStatus* status) = 0;
    virtual ssize_t readlink(const char* path, char* buffer, std::size_t size) = 0;
    virtual ssize_t read(int fd, void* buffer, std::size_t count) = 0;
    virtual ssize_t write(int fd, const void* buffer, std::size_t count) = 0;
    virtual ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) = 0;
    virtual ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) = 0;
    virtual int fchmod(int fd, mode_t mode) = 0;
    virtual int fchown(int fd, uid_t owner, gid_t group) = 0;
    virtual int fsync(int fd) = 0;
    virtual int close(int fd) = 0;
    virtual int rename(const char* from, const char* to) = 0;
    virtual int unlink(const char* path) = 0;
    // Makes and opens a new file, its name pattern with its last six X's replaced,
    // with O_RDWR | O_CREAT | O_EXCL and flags; pattern then holds the name.
    virtual int mkostemp(char* pattern, int flags) = 0;
};

// Makes call() again while it fails with EINTR, and gives its last result: the one
// retry of interrupted calls, for every file call but close (on Linux a descriptor
// is gone whatever close says, so a close is never made twice).
template <typename Call> auto retryInterrupted(Call&& call) {
    for (;;) {
        const auto result = call();
        if (!(result < 0 && errno == EINTR))
            return result;
    }
}

// The calls themselves. Holds no state; one object serves any number of users.
class PosixFileOps : public FileOps {
public:
    int open(const char* path, int flags, mode_t mode) override;
    int fstat(int fd, FileStatus* status) override;
    int stat(const char* path, FileStatus* status) override;
    int lstat(const char* path, FileStatus* status) override;
    ssize_t readlink(const char* path, char* buffer, std::size_t size) override;
    ssize_t read(int fd, void* buffer, std::size_t count) override;
    ssize_t write(int fd, const void* buffer, std::size_t count) override;
    ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) override;
    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override;
    int fchmod(int fd, mode_t mode) override;
    int fchown(int fd, uid_t owner, gid_t group) override;
    int fsync(int fd) override;
    int close(int fd) override;
    int rename(const char* from, const char* to) override;
    int unlink(const char* path) override;
    int mkostemp(char* pattern, int flags) override;
};

} // namespace store
