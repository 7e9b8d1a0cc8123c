#pragma once
// Byte-addressed access to a ROM image on disk, through the FileOps seam.
//
// An ImageFile is the one image handle: opened on an existing file for reading and
// writing, used for reads and writes of a few bytes at 1-based positions, and closed
// again before the command that opened it returns. It never creates a file, never
// reads past the end and never writes anywhere but inside the store table.

#include "FileError.h"
#include "FileIdentity.h"
#include "FileOps.h"
#include "StoreTable.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace store {

// The layout of an image of length bytes, the file name names; throws FileError
// when the file is too short to hold the table where that layout puts it.
Layout layoutHoldingTable(const std::string& name, Position length);

using MarkerBytes = std::array<std::uint8_t, kMarkerPositions.size()>;

// The one read of a store table by position: the table of the image of layout open
// on fd (a regular file, or any file that reads by position), in one positioned
// read; name names it in messages. Throws FileError.
Table readTableAt(FileOps& ops, const std::string& name, int fd, Layout layout);

class ImageFile {
public:
    // ReadOnly handles take no writes, and open read-only files.
    enum class Access { ReadWrite, ReadOnly };

    // Opens path, for reading and writing unless told otherwise. Throws FileError
    // when the path names no file, names something other than a regular file, cannot
    // be opened so, or is shorter than the store table's end.
    static ImageFile open(FileOps& ops, const std::string& path, Access access = Access::ReadWrite);

    ImageFile(ImageFile&& other) noexcept;
    ImageFile& operator=(ImageFile&&) = delete;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    ~ImageFile(); // closes a handle still open, ignoring errors (an error path is under way)

    const std::string& path() const { return path_; }
    FileIdentity identity() const { return identity_; }
    Position length() const { return length_; } // as seen when opened
    Layout layout() const { return layout_; }   // told from that length

    // The file's length now (it may have changed since the open). Throws FileError.
    Position currentLength() const;

    // The bytes from position first (1-based) on. Throws FileError past the end or
    // on a read error.
    void read(Position first, std::span<std::uint8_t> bytes) const;

    // The whole store table, a store's record and the marker bytes, where the
    // image's layout puts them. Throw FileError as read() does.
    Table readTable() const;
    Record readRecord(int store) const;
    MarkerBytes readMarker() const;

    // Writes bytes from position first (1-based) on, in one positioned write. Throws
    // FileError for a range outside the store table (where the layout puts it) or past the length
    // seen at open, WriteError when the write fails or writes only part of the bytes.
    void write(Position first, std::span<const std::uint8_t> bytes);

    // Pushes written bytes to the disk (fsync). Throws FileError when that fails.
    void flush();

    // Closes the handle. Throws FileError when closing reports an error; the handle
    // is closed either way. Further calls do nothing.
    void close();

private:
    ImageFile(FileOps& ops, std::string path, int fd, FileIdentity identity, Position length,
              Access access);

    FileOps* ops_;
    std::string path_;
    int fd_ = -1;
    FileIdentity identity_;
    Position length_ = 0;
    Layout layout_ = Layout::OtherSize;
    Access access_ = Access::ReadWrite;
};

} // namespace store
