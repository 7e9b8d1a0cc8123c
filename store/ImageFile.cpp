#include "ImageFile.h"

#include "ImageError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace store {

namespace {

std::string reason(int error) {
    return std::strerror(error);
}

int fstatRetrying(FileOps& ops, int fd, struct stat* info) {
    int result = 0;
    do {
        result = ops.fstat(fd, info);
    } while (result != 0 && errno == EINTR);
    return result;
}

// No O_CREAT and no O_TRUNC: the file must exist and keeps every byte it holds.
// O_NONBLOCK: a FIFO named by mistake must not wait for a writer; for a regular file
// it changes nothing.
int openRetrying(FileOps& ops, const std::string& path, int accessMode) {
    int fd = -1;
    do {
        fd = ops.open(path.c_str(), accessMode | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads bytes from position first (1-based) on, going on after a short read. Gives
// how many were read; fewer than asked at the end of the file, or on an error, with
// errno set then (0 at the end of the file).
std::size_t preadAll(FileOps& ops, int fd, Position first, std::span<std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ops.pread(fd, bytes.data() + done, bytes.size() - done,
                                      static_cast<off_t>(first - 1 + Position(done)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = 0;
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

} // namespace

ImageFile ImageFile::open(FileOps& ops, const std::string& path, Access access) {
    if (path.empty())
        throw ImageError("No ROM image is chosen.");

    const bool writable = access == Access::ReadWrite;
    const int fd = openRetrying(ops, path, writable ? O_RDWR : O_RDONLY);
    if (fd < 0) {
        const int error = errno;
        if (error == EISDIR)
            throw ImageError("Cannot open " + quoted(path) + ": it is not a regular file.");
        throw ImageError("Cannot open " + quoted(path) +
                         (writable ? " for reading and writing: " : " for reading: ") +
                         reason(error) + ".");
    }

    struct stat info {};
    if (fstatRetrying(ops, fd, &info) != 0) {
        const int error = errno;
        ops.close(fd);
        throw ImageError("Cannot open " + quoted(path) + ": " + reason(error) + ".");
    }
    if (!S_ISREG(info.st_mode)) {
        ops.close(fd);
        throw ImageError("Cannot open " + quoted(path) + ": it is not a regular file.");
    }
    const Position length = info.st_size;
    if (length < kMinimumImageLength) {
        ops.close(fd);
        throw ImageError(quoted(path) + " is too short to be the ROM image: it holds " +
                         std::to_string(length) + " bytes, and the store table ends at byte " +
                         std::to_string(kMinimumImageLength) + ".");
    }
    return ImageFile(ops, path, fd, FileIdentity{info.st_dev, info.st_ino}, length, access);
}

void ImageFile::readOnce(FileOps& ops, const std::string& path, Position first,
                         std::span<std::uint8_t> bytes) {
    if (path.empty())
        throw ImageError("No ROM image is chosen.");
    const int fd = openRetrying(ops, path, O_RDONLY);
    if (fd >= 0 && preadAll(ops, fd, first, bytes) == bytes.size()) {
        if (ops.close(fd) != 0)
            throw ImageError("Closing " + quoted(path) + " failed: " + reason(errno) + ".");
        return;
    }
    if (fd >= 0)
        ops.close(fd);
    // Whatever went wrong: the full open says it as it says it for any image.
    ImageFile image = open(ops, path, Access::ReadOnly);
    image.read(first, bytes);
    image.close();
}

ImageFile::ImageFile(FileOps& ops, std::string path, int fd, FileIdentity identity, Position length,
                     Access access)
    : ops_(&ops), path_(std::move(path)), fd_(fd), identity_(identity), length_(length),
      access_(access) {}

ImageFile::ImageFile(ImageFile&& other) noexcept
    : ops_(other.ops_), path_(std::move(other.path_)), fd_(other.fd_), identity_(other.identity_),
      length_(other.length_), access_(other.access_) {
    other.fd_ = -1;
}

ImageFile::~ImageFile() {
    if (fd_ >= 0)
        ops_->close(fd_);
}

std::string ImageFile::describe(const std::string& what, int error) const {
    return what + " " + quoted(path_) + " failed: " + reason(error) + ".";
}

Position ImageFile::currentLength() const {
    if (fd_ < 0)
        throw ImageError("Reading " + quoted(path_) + " failed: the image is closed.");
    struct stat info {};
    if (fstatRetrying(*ops_, fd_, &info) != 0)
        throw ImageError(describe("Reading the length of", errno));
    return info.st_size;
}

void ImageFile::read(Position first, std::span<std::uint8_t> bytes) const {
    if (fd_ < 0)
        throw ImageError("Reading " + quoted(path_) + " failed: the image is closed.");
    const Position last = first + static_cast<Position>(bytes.size()) - 1;
    if (first < 1 || last > length_)
        throw ImageError("Reading " + quoted(path_) + " failed: bytes " + std::to_string(first) +
                         " to " + std::to_string(last) + " lie outside the file.");
    const std::size_t done = preadAll(*ops_, fd_, first, bytes);
    const int error = errno;
    if (done < bytes.size() && error != 0)
        throw ImageError(describe("Reading", error));
    if (done < bytes.size())
        throw ImageError("Reading " + quoted(path_) + " failed: byte " +
                         std::to_string(first + Position(done)) +
                         " lies past the end of the file.");
}

void ImageFile::write(Position first, std::span<const std::uint8_t> bytes) {
    if (fd_ < 0)
        throw ImageError("Writing " + quoted(path_) + " failed: the image is closed.");
    if (access_ != Access::ReadWrite)
        throw ImageError("Writing " + quoted(path_) + " refused: it is open for reading only.");
    const Position last = first + static_cast<Position>(bytes.size()) - 1;
    if (bytes.empty() || !inTable(first) || !inTable(last) || last > length_)
        throw ImageError("Writing " + quoted(path_) + " refused: bytes " + std::to_string(first) +
                         " to " + std::to_string(last) + " do not lie inside the store table.");
    ssize_t put = 0;
    do {
        put = ops_->pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(first - 1));
    } while (put < 0 && errno == EINTR);
    if (put < 0)
        throw WriteError(describe("Writing", errno), false);
    if (static_cast<std::size_t>(put) != bytes.size())
        throw WriteError("Writing " + quoted(path_) + " failed: only " + std::to_string(put) +
                             " of " + std::to_string(bytes.size()) + " bytes were written.",
                         put > 0);
}

void ImageFile::flush() {
    if (fd_ < 0)
        return;
    int result = 0;
    do {
        result = ops_->fsync(fd_);
    } while (result != 0 && errno == EINTR);
    if (result != 0)
        throw ImageError(describe("Flushing", errno));
}

void ImageFile::close() {
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    // Never retried on EINTR: on Linux the descriptor is gone either way.
    if (ops_->close(fd) != 0)
        throw ImageError(describe("Closing", errno));
}

} // namespace store
