#pragma once
// Store changes as patches that any patcher applies: IPS and BPS (version 1).
// Written from two store tables, holding only the bytes of the store table in which
// they differ, so that a store patch combines safely with other patches; and read
// back, as untrusted input, into a new store table: every length and offset is
// checked against the patch's own size and the image's before it is used, and a
// patch that would change any byte outside the store table, or the image's length,
// is refused.

#include "TableFile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace patch {

using store::Table;

enum class Format { Ips, Bps };

// A patch of more than this is no store patch; it is refused before it is read.
inline constexpr std::size_t kLargestPatch = std::size_t(16) << 20;

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

// The CRC-32 (zlib's) of a whole image, and of the same image with its store table
// replaced by table.
struct ImageChecksums {
    std::uint32_t image = 0;
    std::uint32_t withTable = 0;
};
ImageChecksums checksumsOf(const ImageBytes& image, const Table& table);

// A patch's refusal: where in the patch (the byte offset of the record or action
// at fault) and what was expected.
class PatchError : public std::runtime_error {
public:
    PatchError(std::size_t offset, const std::string& problem)
        : std::runtime_error("byte " + std::to_string(offset) + " of the patch: " + problem),
          offset(offset) {}
    explicit PatchError(const std::string& problem) : std::runtime_error(problem), offset(0) {}
    std::size_t offset;
};

// IPS: "PATCH", one record per run of bytes in which target differs from source
// (a 3-byte big-endian offset, a 2-byte big-endian size, the bytes), "EOF".
std::string writeIps(const Table& source, const Table& target);

// BPS: "BPS1", the image's size twice (a store patch keeps the length) and an empty
// metadata size, then SourceRead for unchanged stretches and TargetRead for changed
// bytes, then the CRC-32s of the source, the target and the patch.
std::string writeBps(std::uint64_t imageSize, const ImageChecksums& checksums, const Table& source,
                     const Table& target);

// Applies an IPS patch to table. Refused (PatchError) unless every record, run-length
// ones included, lies wholly inside the store table and "EOF" ends the patch.
Table applyIps(std::string_view patch, const Table& table);

// Applies a BPS patch to image, whose store table is table. Refused (PatchError)
// unless the source size and CRC-32 match image, the patch's CRC-32 is right, every
// action stays inside the source, the target and the patch, the target has the
// source's size, its CRC-32 matches what the actions produce, and it differs from
// image only inside the store table. Gives the target's store table.
Table applyBps(std::string_view patch, const ImageBytes& image, const Table& table);

} // namespace patch
