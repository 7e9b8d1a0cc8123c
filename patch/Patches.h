#pragma once
// Store changes as patches that any patcher applies: IPS and BPS (version 1).
// Written from two store tables, holding only the bytes of the store table in which
// they differ, so that a store patch combines safely with other patches; and read
// back, as untrusted input, into a new store table: every length and offset is
// checked against the patch's own size and the image's before it is used, and a
// patch that would change any byte outside the store table, or the image's length,
// is refused.
//
// Patches address the image without its copier header, as the patches published for
// the game do: a patch written from an image with a header holds the size and
// CRC-32 of the image without it, and the header-less table's offsets. An image of
// neither layout's size is patched as it is, byte for byte.

#include "ImageFile.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace patch {

using store::Layout;
using store::Table;

enum class Format { Ips, Bps };

// A patch of more than this is no store patch; it is refused before it is read.
inline constexpr std::size_t kLargestPatch = std::size_t(16) << 20;

// A store patch needs a few hundred records or actions (one or two per run of
// changed table bytes, of which there are at most 228); a patch of more is refused
// when it gets there, so that no patch keeps a load busy.
inline constexpr std::size_t kMostIpsRecords = 4096;
inline constexpr std::size_t kMostBpsActions = 4096;

// A BPS patch is applied to the whole image in memory (a SNES image is at most a
// few MiB), so that each action costs what its bytes cost; a larger image is
// refused.
inline constexpr std::uint64_t kLargestBpsImage = std::uint64_t(32) << 20;

// The format whose magic bytes start bytes ("PATCH", "BPS1"); nothing for others.
std::optional<Format> formatOf(std::string_view bytes);

// The bytes of an image, read at any offset (0-based): the file itself for the
// command, bytes in memory for tests and the fuzzer.
class ImageBytes {
public:
    virtual ~ImageBytes() = default;
    virtual std::uint64_t size() const = 0;
    // Fills bytes from offset on; the range lies inside size().
    virtual void read(std::uint64_t offset, std::span<std::uint8_t> bytes) const = 0;
};

// An image file's bytes, through the image handle (which reads 1-based positions).
class FileImageBytes : public ImageBytes {
public:
    explicit FileImageBytes(const store::ImageFile& image) : image_(image) {}
    std::uint64_t size() const override { return std::uint64_t(image_.length()); }
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes) const override {
        image_.read(store::Position(offset) + 1, bytes);
    }

private:
    const store::ImageFile& image_;
};

// An image's bytes held in memory (tests, the fuzzer). A read outside them throws
// std::out_of_range: a reader that asks for one breaks ImageBytes' contract.
class MemoryImageBytes : public ImageBytes {
public:
    explicit MemoryImageBytes(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes) const override {
        if (offset > bytes_.size() || bytes.size() > bytes_.size() - offset)
            throw std::out_of_range("a read outside the image's bytes");
        std::copy_n(bytes_.begin() + std::ptrdiff_t(offset), bytes.size(), bytes.begin());
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// The bytes of an image from skip on: an image as a patch sees it once the copier
// header is left out.
class SkippedImageBytes : public ImageBytes {
public:
    SkippedImageBytes(const ImageBytes& image, std::uint64_t skip) : image_(image), skip_(skip) {}
    std::uint64_t size() const override { return image_.size() - skip_; }
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes) const override {
        image_.read(offset + skip_, bytes);
    }

private:
    const ImageBytes& image_;
    std::uint64_t skip_;
};

// The layout of the bytes a patch addresses of an image of layout: an image with a
// copier header is seen without it.
constexpr Layout patchedLayout(Layout layout) {
    return layout == Layout::CopierHeader ? Layout::NoHeader : layout;
}

// The CRC-32 (zlib's) of a whole image, and of the same image with its store table
// (where layout puts it) replaced by table.
struct ImageChecksums {
    std::uint32_t image = 0;
    std::uint32_t withTable = 0;
};
ImageChecksums checksumsOf(const ImageBytes& image, const Table& table, Layout layout);

// An offset as messages give it: in decimal, and in hexadecimal as patch tools and
// hex editors show it: "4096 (0x1000)".
std::string offsetText(std::uint64_t offset);

// A patch's refusal: where in the patch (the byte offset of the record or action
// at fault) and what was expected.
class PatchError : public std::runtime_error {
public:
    PatchError(std::size_t offset, const std::string& problem)
        : std::runtime_error("byte " + offsetText(offset) + " of the patch: " + problem),
          offset(offset) {}
    explicit PatchError(const std::string& problem) : std::runtime_error(problem), offset(0) {}
    std::size_t offset;
};

// Appends a number as BPS writes it: seven bits a byte, the last byte's top bit
// set, each further byte counting one more than it would.
void putBpsNumber(std::string& out, std::uint64_t value);

// IPS: "PATCH", one record per run of bytes in which target differs from source
// (a 3-byte big-endian offset into an image of layout, a 2-byte big-endian size,
// the bytes), "EOF".
std::string writeIps(const Table& source, const Table& target, Layout layout);

// BPS: "BPS1", the image's size twice (a store patch keeps the length) and an empty
// metadata size, then SourceRead for unchanged stretches and TargetRead for changed
// bytes (the table where layout puts it), then the CRC-32s of the source, the target
// and the patch.
std::string writeBps(std::uint64_t imageSize, const ImageChecksums& checksums, const Table& source,
                     const Table& target, Layout layout);

// The patch in format that gives the image source, of layout, whose table is table,
// the table target: written for the image as patches address it (patchedLayout).
std::string makePatch(Format format, const ImageBytes& source, Layout layout, const Table& table,
                      const Table& target);

// An IPS patch applied to a table: the new table, and the layout of the image whose
// table the records write (nothing when there are none).
struct IpsResult {
    Table table{};
    std::optional<Layout> madeFor;
};

// Applies an IPS patch to table. The two layouts' tables never overlap, so records
// that all lie inside one of them are for that layout, and change the same stores
// and slots of table. Refused (PatchError) unless every record, run-length ones
// included, lies wholly inside the same one of the two tables, and "EOF" ends the
// patch.
IpsResult applyIps(std::string_view patch, const Table& table);

// Applies a BPS patch to image, whose store table, where layout puts it, is table.
// Refused (PatchError) unless the source size and CRC-32 match image, the patch's
// CRC-32 is right, every action stays inside the source, the target and the patch,
// the target has the source's size, its CRC-32 matches what the actions produce, and
// it differs from image only inside the store table. Gives the target's store table.
Table applyBps(std::string_view patch, const ImageBytes& image, const Table& table, Layout layout);

// A patch applied to the table of an image of layout: the new table, and the layout
// of the image the patch was made for.
struct Applied {
    Table table{};
    Layout madeFor = Layout::OtherSize;
};

// Applies a patch in format to image, of layout, whose table is table. A BPS patch
// is applied to the image without its copier header when its source has that size,
// else to the whole image; one made for an image with a copier header is refused
// for an image without one, saying so. Refused as applyIps and applyBps refuse.
Applied applyPatch(Format format, std::string_view patch, const ImageBytes& image, Layout layout,
                   const Table& table);

} // namespace patch
