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

// "Reading "x" failed: why." for a window, "cannot read: why" for a command line.
ImageError failed(const std::string& path, const std::string& doing, const std::string& verb,
                  const std::string& why) {
    return ImageError(doing + " " + quoted(path) + " failed: " + why + ".", path,
                      "cannot " + verb + ": " + why);
}

ImageError notRegular(const std::string& path) {
    return ImageError("Cannot open " + quoted(path) + ": it is not a regular file.", path,
                      "cannot open: not a regular file");
}

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

// Reads all of bytes from position first on, or throws ImageError saying why not:
// the read's error, or the end of the file.
void readAllOf(FileOps& ops, const std::string& name, int fd, Position first,
               std::span<std::uint8_t> bytes) {
    const std::size_t done = preadAll(ops, fd, first, bytes);
    const int error = errno;
    if (done < bytes.size() && error != 0)
        throw failed(name, "Reading", "read", reason(error));
    if (done < bytes.size())
        throw failed(name, "Reading", "read",
                     "byte " + std::to_string(first + Position(done)) +
                         " lies past the end of the file");
}

} // namespace

ImageFile ImageFile::open(FileOps& ops, const std::string& path, Access access) {
    if (path.empty())
        throw ImageError("No ROM image is chosen.", "", "no ROM image is chosen");

    const bool writable = access == Access::ReadWrite;
    const int fd = openRetrying(ops, path, writable ? O_RDWR : O_RDONLY);
    if (fd < 0) {
        const int error = errno;
        if (error == EISDIR)
            throw notRegular(path);
        const std::string how = writable ? "for reading and writing" : "for reading";
        throw ImageError("Cannot open " + quoted(path) + " " + how + ": " + reason(error) + ".",
                         path, "cannot open " + how + ": " + reason(error));
    }

    FileStatus info{};
    if (fstatRetrying(ops, fd, &info) != 0) {
        const int error = errno;
        ops.close(fd);
        throw cannot(path, "open", error);
    }
    if (!S_ISREG(info.mode)) {
        ops.close(fd);
        throw notRegular(path);
    }
    try {
        layoutHoldingTable(path, info.size);
    } catch (const ImageError&) {
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
    // The headered positions are the ones every other size keeps, and the ones the
    // message has always named; a header-less image says which table it means.
    const std::string table = layout == Layout::NoHeader
                                  ? std::string("the store table of ") + layoutName(layout)
                                  : std::string("the store table");
    const std::string detail = "too short to be the ROM image: it holds " + std::to_string(length) +
                               " bytes, and " + table + " ends at byte " +
                               std::to_string(minimumLength(layout));
    throw ImageError(quoted(name) + " is " + detail + ".", name, detail);
}

Table readTableAt(FileOps& ops, const std::string& name, int fd, Layout layout) {
    TableBytes bytes{};
    readAllOf(ops, name, fd, tableFirst(layout), bytes);
    return tableFromBytes(bytes);
}

Table ImageFile::readTable() const {
    if (fd_ < 0)
        throw failed(path_, "Reading", "read", "the image is closed");
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
        throw failed(path_, "Reading", "read", "the image is closed");
    FileStatus info{};
    if (fstatRetrying(*ops_, fd_, &info) != 0)
        throw failed(path_, "Reading the length of", "read the length", reason(errno));
    return info.size;
}

void ImageFile::read(Position first, std::span<std::uint8_t> bytes) const {
    if (fd_ < 0)
        throw failed(path_, "Reading", "read", "the image is closed");
    const Position last = first + static_cast<Position>(bytes.size()) - 1;
    if (first < 1 || last > length_)
        throw failed(path_, "Reading", "read",
                     "bytes " + std::to_string(first) + " to " + std::to_string(last) +
                         " lie outside the file");
    readAllOf(*ops_, path_, fd_, first, bytes);
}

void ImageFile::write(Position first, std::span<const std::uint8_t> bytes) {
    if (fd_ < 0)
        throw failed(path_, "Writing", "write", "the image is closed");
    if (access_ != Access::ReadWrite)
        throw ImageError("Writing " + quoted(path_) + " refused: it is open for reading only.",
                         path_, "cannot write: it is open for reading only");
    const Position last = first + static_cast<Position>(bytes.size()) - 1;
    if (bytes.empty() || !inTable(layout_, first) || !inTable(layout_, last) || last > length_)
        throw ImageError("Writing " + quoted(path_) + " refused: bytes " + std::to_string(first) +
                             " to " + std::to_string(last) + " do not lie inside the store table.",
                         path_,
                         "cannot write: bytes " + std::to_string(first) + " to " +
                             std::to_string(last) + " do not lie inside the store table");
    const ssize_t put = retryInterrupted([&] {
        return ops_->pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(first - 1));
    });
    if (put < 0)
        throw WriteError(failed(path_, "Writing", "write", reason(errno)), false);
    if (static_cast<std::size_t>(put) != bytes.size())
        throw WriteError(failed(path_, "Writing", "write",
                                "only " + std::to_string(put) + " of " +
                                    std::to_string(bytes.size()) + " bytes were written"),
                         put > 0);
}

void ImageFile::flush() {
    if (fd_ < 0)
        return;
    if (retryInterrupted([&] { return ops_->fsync(fd_); }) != 0)
        throw failed(path_, "Flushing", "flush", reason(errno));
}

void ImageFile::close() {
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    // Never retried on EINTR: on Linux the descriptor is gone either way.
    if (ops_->close(fd) != 0)
        throw failed(path_, "Closing", "close", reason(errno));
}

} // namespace store
