#include "ImageFile.h"

#include "ImageError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

int g_openHandles = 0;
ImageFile::Faults g_faults;

std::string reason(int error) {
    return std::strerror(error);
}

} // namespace

ImageFile ImageFile::open(const std::string& path) {
    if (path.empty())
        throw ImageError("No ROM image is chosen.");
    if (g_openHandles > 0)
        throw ImageError("Cannot open \"" + path + "\": another image is still open.");

    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw ImageError("Cannot open \"" + path + "\": " + reason(errno) + ".");
    if (!S_ISREG(info.st_mode))
        throw ImageError("Cannot open \"" + path + "\": it is not a regular file.");

    // No O_CREAT and no O_TRUNC: the file must exist and keeps every byte it holds.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        throw ImageError("Cannot open \"" + path + "\" for reading and writing: " + reason(errno) +
                         ".");

    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        const int error = errno;
        ::close(fd);
        throw ImageError("Cannot open \"" + path + "\": " + reason(error) + ".");
    }
    const Position length = opened.st_size;
    if (length < kMinimumImageLength) {
        ::close(fd);
        throw ImageError("\"" + path + "\" is too short to be the ROM image: it holds " +
                         std::to_string(length) + " bytes, and the store table ends at byte " +
                         std::to_string(kMinimumImageLength) + ".");
    }
    return ImageFile(path, fd, length);
}

ImageFile::ImageFile(std::string path, int fd, Position length)
    : path_(std::move(path)), fd_(fd), length_(length) {
    ++g_openHandles;
}

ImageFile::ImageFile(ImageFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_), length_(other.length_) {
    other.fd_ = -1;
}

ImageFile::~ImageFile() {
    if (fd_ >= 0) {
        ::close(fd_);
        --g_openHandles;
    }
}

std::string ImageFile::describe(const std::string& what, int error) const {
    return what + " \"" + path_ + "\" failed: " + reason(error) + ".";
}

std::uint8_t ImageFile::readByte(Position position) const {
    if (fd_ < 0)
        throw ImageError("Reading \"" + path_ + "\" failed: the image is closed.");
    if (position < 1 || position > length_)
        throw ImageError("Reading \"" + path_ + "\" failed: byte " + std::to_string(position) +
                         " lies outside the file.");
    unsigned char byte = 0;
    ssize_t got = 0;
    do {
        got = ::pread(fd_, &byte, 1, static_cast<off_t>(position - 1));
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        throw ImageError(describe("Reading", errno));
    if (got == 0)
        throw ImageError("Reading \"" + path_ + "\" failed: byte " + std::to_string(position) +
                         " lies past the end of the file.");
    return byte;
}

void ImageFile::writeByte(Position position, std::uint8_t value) {
    if (fd_ < 0)
        throw ImageError("Writing \"" + path_ + "\" failed: the image is closed.");
    if (!inTable(position) || position > length_)
        throw ImageError("Writing \"" + path_ + "\" refused: byte " + std::to_string(position) +
                         " lies outside the store table.");
    ++writes_;
    if (g_faults.firstFailingWrite > 0 && writes_ >= g_faults.firstFailingWrite &&
        (g_faults.failingWrites == 0 ||
         writes_ < g_faults.firstFailingWrite + g_faults.failingWrites))
        throw ImageError(describe("Writing", g_faults.error));
    const unsigned char byte = value;
    ssize_t put = 0;
    do {
        put = ::pwrite(fd_, &byte, 1, static_cast<off_t>(position - 1));
    } while (put < 0 && errno == EINTR);
    if (put < 0)
        throw ImageError(describe("Writing", errno));
    if (put != 1)
        throw ImageError("Writing \"" + path_ + "\" failed: the byte was not written.");
}

void ImageFile::flush() {
    if (fd_ < 0)
        return;
    if (g_faults.flushError != 0)
        throw ImageError(describe("Saving", g_faults.flushError));
    if (::fsync(fd_) != 0)
        throw ImageError(describe("Saving", errno));
}

void ImageFile::close() {
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    --g_openHandles;
    // Never retried on EINTR: on Linux the descriptor is gone either way.
    if (::close(fd) != 0)
        throw ImageError(describe("Closing", errno));
}

int ImageFile::openHandles() {
    return g_openHandles;
}

void ImageFile::injectFaults(const Faults& faults) {
    g_faults = faults;
}

} // namespace store
