#include "ImageReader.h"

#include "FileError.h"

#include <cerrno>
#include <vector>

namespace store {

namespace {

// A stream is kept up to the end of the farthest table of any layout.
constexpr std::size_t kStreamKept = std::size_t(kTableLast);
constexpr std::size_t kStreamPiece = std::size_t(64) << 10;

static_assert(tableLast(Layout::NoHeader) <= kTableLast);

// Reads up to count bytes from the stream; gives how many, 0 at its end.
std::size_t readSome(FileOps& ops, const std::string& name, int fd, std::uint8_t* buffer,
                     std::size_t count) {
    const ssize_t got = retryInterrupted([&] { return ops.read(fd, buffer, count); });
    if (got < 0)
        throw callFailed(Failure::Read, name, errno);
    return std::size_t(got);
}

ImageTable readStream(FileOps& ops, const std::string& name, int fd, std::string_view start) {
    std::vector<std::uint8_t> kept(start.begin(),
                                   start.begin() + std::min(start.size(), kStreamKept));
    Position length = Position(start.size());
    std::vector<std::uint8_t> piece(kStreamPiece);
    for (;;) {
        const std::size_t got = readSome(ops, name, fd, piece.data(), piece.size());
        if (got == 0)
            break;
        const std::size_t keep = std::min(got, kStreamKept - std::min(kept.size(), kStreamKept));
        kept.insert(kept.end(), piece.begin(), piece.begin() + std::ptrdiff_t(keep));
        length += Position(got);
    }
    ImageTable image;
    image.length = length;
    image.layout = layoutHoldingTable(name, length);
    image.table = tableFromBytes(
        std::span<const std::uint8_t>(kept).subspan(std::size_t(tableFirst(image.layout) - 1)));
    return image;
}

} // namespace

ImageTable readImageTable(FileOps& ops, const std::string& name, int fd, const FileStatus& status,
                          std::string_view start) {
    ImageTable image;
    if (S_ISREG(status.mode)) {
        image.length = status.size;
        image.layout = layoutHoldingTable(name, image.length);
        image.table = readTableAt(ops, name, fd, image.layout);
    } else {
        image = readStream(ops, name, fd, start);
    }
    image.identity = FileIdentity::of(status);
    return image;
}

ImageTable readImageTableOf(FileOps& ops, const std::string& path) {
    ImageFile image = ImageFile::open(ops, path, ImageFile::Access::ReadOnly);
    ImageTable read{image.length(), image.layout(), image.readTable(), image.identity()};
    image.close();
    return read;
}

} // namespace store
