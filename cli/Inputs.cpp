#include "Inputs.h"

#include "ImageError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>

namespace cli {

using store::cannot;
using store::FileOps;
using store::ImageError;
using text::SourceKind;

namespace {

constexpr std::size_t kPiece = std::size_t(64) << 10;
constexpr std::size_t kImageReach = std::size_t(store::kTableLast); // the table's end

ImageError tooLargeForText(const std::string& name) {
    return ImageError(store::quoted(name) + " is too large to be a store table text.", name,
                      "too large to be a store table text (more than " +
                          std::to_string(kLargestText >> 20) + " MiB)");
}

// Reads up to count bytes at offset (a regular file) or from the stream; gives how
// many, 0 at the end.
std::size_t readSome(FileOps& ops, const std::string& name, int fd, bool positioned, char* buffer,
                     std::size_t count, off_t offset) {
    for (;;) {
        const ssize_t got =
            positioned ? ops.pread(fd, buffer, count, offset) : ops.read(fd, buffer, count);
        if (got >= 0)
            return std::size_t(got);
        if (errno != EINTR)
            throw cannot(name, "read", errno);
    }
}

// Reads exactly bytes.size() bytes at offset of a regular file; a file that ends
// first is too short to be an image.
void readExactly(FileOps& ops, const std::string& name, int fd, std::span<std::uint8_t> bytes,
                 off_t offset, off_t fileSize) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t got =
            readSome(ops, name, fd, true, reinterpret_cast<char*>(bytes.data()) + done,
                     bytes.size() - done, offset + off_t(done));
        if (got == 0)
            throw store::tooShort(name, std::max<off_t>(fileSize, offset + off_t(done)));
        done += got;
    }
}

void readRegularImage(FileOps& ops, const std::string& name, int fd, off_t size, Side& side) {
    if (size < off_t(kImageReach))
        throw store::tooShort(name, size);
    std::array<std::uint8_t, store::kTableBytes> bytes{};
    readExactly(ops, name, fd, bytes, off_t(store::kTableFirst - 1), size);
    side.table = store::tableFromBytes(bytes);
}

void readRegularText(FileOps& ops, const std::string& name, int fd, off_t size, Side& side) {
    if (std::size_t(size) > kLargestText)
        throw tooLargeForText(name);
    side.text.resize(std::size_t(size));
    std::size_t done = 0;
    while (done < side.text.size()) {
        const std::size_t got = readSome(ops, name, fd, true, side.text.data() + done,
                                         side.text.size() - done, off_t(done));
        if (got == 0)
            break; // shorter than it was: the text is what is there
        done += got;
    }
    side.text.resize(done);
}

// The kind of a regular file, told from its first bytes, read piece by piece.
SourceKind kindOfRegular(FileOps& ops, const std::string& name, int fd, off_t size) {
    text::SourceSniffer sniffer;
    std::string piece(kPiece, '\0');
    for (off_t offset = 0; offset < size && std::size_t(offset) <= kLargestText;) {
        const std::size_t got = readSome(ops, name, fd, true, piece.data(), piece.size(), offset);
        if (got == 0)
            break;
        if (const auto kind = sniffer.feed(std::string_view(piece.data(), got)))
            return *kind;
        offset += off_t(got);
    }
    return sniffer.finish();
}

// A pipe, a device, a terminal: read once from the start, only as far as needed.
void readStream(FileOps& ops, const std::string& name, int fd, Expect expect, Side& side) {
    std::optional<SourceKind> kind;
    if (expect == Expect::Image)
        kind = SourceKind::Image;
    else if (expect == Expect::Text)
        kind = SourceKind::Text;
    text::SourceSniffer sniffer;
    std::string bytes;
    for (;;) {
        // An image needs nothing past the table's end; a text nothing past the
        // largest one (a byte more tells that it is larger).
        const std::size_t reach = kind == SourceKind::Image ? kImageReach : kLargestText + 1;
        if (bytes.size() >= reach)
            break;
        const std::size_t want = std::min(kPiece, reach - bytes.size());
        const std::size_t before = bytes.size();
        if (bytes.capacity() < before + want)
            bytes.reserve(std::min(reach, std::max(2 * bytes.capacity(), before + want)));
        bytes.resize(before + want);
        const std::size_t got = readSome(ops, name, fd, false, bytes.data() + before, want, 0);
        bytes.resize(before + got);
        if (got == 0)
            break;
        if (!kind)
            kind = sniffer.feed(std::string_view(bytes.data() + before, got));
    }
    if (!kind)
        kind = bytes.size() > kLargestText ? SourceKind::Image : sniffer.finish();
    side.kind = *kind;
    if (side.kind == SourceKind::Text) {
        if (bytes.size() > kLargestText)
            throw tooLargeForText(name);
        side.text = std::move(bytes);
        return;
    }
    if (bytes.size() < kImageReach)
        throw store::tooShort(name, store::Position(bytes.size()));
    side.table = store::tableFromBytes(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(bytes.data()) + store::kTableFirst - 1,
        store::kTableBytes));
}

} // namespace

Side readSide(FileOps& ops, const std::string& name, int input, Expect expect) {
    const bool standardInput = name == kStandardStream;
    int fd = input;
    if (!standardInput) {
        do {
            fd = ops.open(name.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC, 0);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            throw cannot(name, "open", errno);
    }
    Side side;
    try {
        store::FileStatus status{};
        if (ops.fstat(fd, &status) != 0)
            throw cannot(name, "read", errno);
        if (S_ISDIR(status.mode))
            throw cannot(name, "read", EISDIR);
        side.identity = store::FileIdentity::of(status);
        if (S_ISREG(status.mode)) {
            side.kind = expect == Expect::Text    ? SourceKind::Text
                        : expect == Expect::Image ? SourceKind::Image
                                                  : kindOfRegular(ops, name, fd, status.size);
            if (side.kind == SourceKind::Text)
                readRegularText(ops, name, fd, status.size, side);
            else
                readRegularImage(ops, name, fd, status.size, side);
        } else {
            readStream(ops, name, fd, expect, side);
        }
    } catch (const ImageError&) {
        if (!standardInput)
            ops.close(fd);
        throw;
    }
    // Only read: a failing close changes nothing that was read.
    if (!standardInput)
        ops.close(fd);
    return side;
}

} // namespace cli
