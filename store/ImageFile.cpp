#include "ImageFile.h"

#include <cerrno>
#include <fcntl.h>

namespace store {

namespace {

constexpr char kClosed[] = "the image is closed";

int fstatRetrying(FileOps& ops, int fd, FileStatus* info) {
    return retryInterrupted([&] { return ops.fstat(fd, info); });
}

// No O_CREAT and no O_TRUNC: the file must exist and keeps every byte it holds.
// O_NONBLOCK: a FIFO named by mistake must not wait for a writer; for a regular file
// it changes nothing.
int openRetrying(FileOps& ops, const std::string& path, int accessMode) {
    return retryInterrupted(
        [&] { return ops.open(path.c_str(), accessMode | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0); });
}

// Reads bytes from position first (1-based) on, going on after a short read. Gives
// how many were read; fewer than asked at the end of the file, or on an error, with
// errno set then (0 at the end of the file).
std::size_t preadAll(FileOps& ops, int fd, Position first, std::span<std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = retryInterrupted([&] {
            return ops.pread(fd, bytes.data() + done, bytes.size() - done,
                             static_cast<off_t>(first - 1 + Position(done)));
        });
        if (got <= 0) {
            if (got == 0)
                errno = 0;
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

// Reads all of bytes from position first on, or throws FileError saying why not:
// the read's error, or the end of the file.
void readAllOf(FileOps& ops, const std::string& name, int fd, Position first,
               std::span<std::uint8_t> bytes) {
    const std::size_t done = preadAll(ops, fd, first, bytes);
    const int error = errno;
    if (done < bytes.size() && error != 0)
        throw callFailed(Failure::Read, name, error);
    if (done < bytes.size())
        throw FileError(Failure::Read, name,
                        "byte " + std::to_string(first + Position(done)) +
                            " lies past the end of the file");
}

} // namespace

ImageFile ImageFile::open(FileOps& ops, const std::string& path, Access access) {
    if (path.empty())
        throw FileError(Failure::NoImageChosen, "");

    const bool writable = access == Access::ReadWrite;
    const int fd = openRetrying(ops, path, writable ? O_RDWR : O_RDONLY);
    if (fd < 0) {
        const int error = errno;
        if (error == EISDIR)
            throw FileError(Failure::NotRegularFile, path);
        throw callFailed(writable ? Failure::OpenForReadingAndWriting : Failure::OpenForReading,
                         path, error);
    }

    FileStatus info{};
    if (fstatRetrying(ops, fd, &info) != 0) {
        const int error = errno;
        ops.close(fd);
        throw callFailed(Failure::Open, path, error);
    }
    if (!S_ISREG(info.mode)) {
        ops.close(fd);
        throw FileError(Failure::NotRegularFile, path);
    }
    try {
        layoutHoldingTable(path, info.size);
    } catch (const FileError&) {
        ops.close(fd);
        throw;
    }
    return ImageFile(ops, path, fd, FileIdentity::of(info), info.size, access);
}

ImageFile::ImageFile(FileOps& ops, std::string path, int fd, FileIdentity identity, Position length,
                     Access access)
    : ops_(&ops), path_(std::move(path)), fd_(fd), identity_(identity), length_(length),
      layout_(layoutOfSize(length)), access_(access) {}

ImageFile::ImageFile(ImageFile&& other) noexcept
    : ops_(other.ops_), path_(std::move(other.path_)), fd_(other.fd_), identity_(other.identity_),
      length_(other.length_), layout_(other.layout_), access_(other.access_) {
    other.fd_ = -1;
}

ImageFile::~ImageFile() {
    if (fd_ >= 0)
        ops_->close(fd_);
}

Layout layoutHoldingTable(const std::string& name, Position length) {
    const Layout layout = layoutOfSize(length);
    if (holdsTable(length))
        return layout;
    FileError error(Failure::TooShort, name);
    error.length = length;
    error.layout = layout;
    throw error;
}

Table readTableAt(FileOps& ops, const std::string& name, int fd, Layout layout) {
    TableBytes bytes{};
    readAllOf(ops, name, fd, tableFirst(layout), bytes);
    return tableFromBytes(bytes);
}

Table ImageFile::readTable() const {
    if (fd_ < 0)
        throw FileError(Failure::Read, path_, kClosed);
    return readTableAt(*ops_, path_, fd_, layout_);
}

Record ImageFile::readRecord(int store) const {
    Record record{};
    read(slotPosition(layout_, store, kFirstSlot), record);
    return record;
}

MarkerBytes ImageFile::readMarker() const {
    MarkerBytes marker{};
    read(markerFirst(layout_), marker);
    return marker;
}

Position ImageFile::currentLength() const {
    if (fd_ < 0)
        throw FileError(Failure::Read, path_, kClosed);
    FileStatus info{};
    if (fstatRetrying(*ops_, fd_, &info) != 0)
        throw callFailed(Failure::ReadLength, path_, errno);
    return info.size;
}

void ImageFile::read(Position first, std::span<std::uint8_t> bytes) const {
    if (fd_ < 0)
        throw FileError(Failure::Read, path_, kClosed);
    const Position last = first + static_cast<Position>(bytes.size()) - 1;
    if (first < 1 || last > length_)
        throw FileError(Failure::Read, path_,
                        "bytes " + std::to_string(first) + " to " + std::to_string(last) +
                            " lie outside the file");
    readAllOf(*ops_, path_, fd_, first, bytes);
}

void ImageFile::write(Position first, std::span<const std::uint8_t> bytes) {
    if (fd_ < 0)
        throw FileError(Failure::Write, path_, kClosed);
    if (access_ != Access::ReadWrite)
        throw FileError(Failure::WriteReadOnly, path_);
    const Position last = first + static_cast<Position>(bytes.size()) - 1;
    if (bytes.empty() || !inTable(layout_, first) || !inTable(layout_, last) || last > length_) {
        FileError error(Failure::WriteOutsideTable, path_);
        error.first = first;
        error.last = last;
        throw error;
    }
    const ssize_t put = retryInterrupted([&] {
        return ops_->pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(first - 1));
    });
    if (put < 0)
        throw WriteError(callFailed(Failure::Write, path_, errno), false);
    if (static_cast<std::size_t>(put) != bytes.size())
        throw WriteError(FileError(Failure::Write, path_,
                                   "only " + std::to_string(put) + " of " +
                                       std::to_string(bytes.size()) + " bytes were written"),
                         put > 0);
}

void ImageFile::flush() {
    if (fd_ < 0)
        return;
    if (retryInterrupted([&] { return ops_->fsync(fd_); }) != 0)
        throw callFailed(Failure::Flush, path_, errno);
}

void ImageFile::close() {
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    // Never retried on EINTR: on Linux the descriptor is gone either way.
    if (ops_->close(fd) != 0)
        throw callFailed(Failure::Close, path_, errno);
}

} // namespace store
