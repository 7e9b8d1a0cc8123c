#pragma once
// Byte-addressed access to a ROM image on disk, through POSIX calls.
//
// An ImageFile is the one image handle: opened on an existing file for reading and
// writing, used for single-byte reads and writes at 1-based positions, and closed
// again before the command that opened it returns. At most one is open at a time.
// It never creates a file, never reads past the end and never writes anywhere but
// inside the store table, so no write can extend a file or touch other bytes.

#include "StoreTable.h"

#include <cstdint>
#include <string>

namespace store {

class ImageFile {
public:
    // Opens path for reading and writing. Throws ImageError when the path names no
    // file, names something other than a regular file, cannot be opened for reading
    // and writing, or is shorter than the store table's end.
    static ImageFile open(const std::string& path);

    ImageFile(ImageFile&& other) noexcept;
    ImageFile& operator=(ImageFile&&) = delete;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    ~ImageFile(); // closes a handle still open, ignoring errors (an error path is under way)

    const std::string& path() const { return path_; }
    Position length() const { return length_; }

    // The byte at position (1-based). Throws ImageError past the end or on a read error.
    std::uint8_t readByte(Position position) const;

    // Writes one byte at position (1-based). Throws ImageError for a position outside
    // the store table or on a write error.
    void writeByte(Position position, std::uint8_t value);

    // Pushes written bytes to the disk (fsync). Throws ImageError when that fails.
    void flush();

    // Closes the handle. Throws ImageError when closing reports an error. Further
    // calls do nothing.
    void close();

    // How many image handles are open in this process: 0 between commands.
    static int openHandles();

    // A fault seam for tests: makes file calls fail as a full disk or a failing
    // device would. Writes numbered from `firstFailingWrite` on (1 = the next write;
    // counting restarts at each open) fail with `error`, up to `failingWrites` of them
    // (0: all); a flush fails with `flushError` unless it is 0. Inert unless set.
    struct Faults {
        int firstFailingWrite = 0; // 0: no write fails
        int failingWrites = 0;
        int error = 0;
        int flushError = 0;
    };
    static void injectFaults(const Faults& faults);

private:
    ImageFile(std::string path, int fd, Position length);
    std::string describe(const std::string& what, int error) const;

    std::string path_;
    int fd_ = -1;
    Position length_ = 0;
    int writes_ = 0; // writes tried through this handle, for the fault seam
};

} // namespace store
