#pragma once
// The whole store table of an image at once: read in one positioned read, and
// stores written in one positioned write per run of consecutive stores, through the
// same write transaction as the editor's Save (TableWrite.h).

#include "ImageFile.h"

#include <array>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace store {

using Table = std::array<Record, kStoreCount>;

// A store and the record to write into it.
struct ListedStore {
    int store = 0;
    Record ids{};
};

// The table of an image already open.
Table readTable(const ImageFile& image);

// The table of the image at path, read once and not written (ImageFile::readOnce).
// Throws ImageError.
Table readTableOf(FileOps& ops, const std::string& path);

inline constexpr std::size_t kTableBytes = std::size_t(kStoreCount) * kSlotsPerStore;
using TableBytes = std::array<std::uint8_t, kTableBytes>;

// The table held in the table's bytes (kTableBytes of them, from its first byte),
// and the other way round.
Table tableFromBytes(std::span<const std::uint8_t> bytes);
TableBytes bytesOfTable(const Table& table);

// A change of an image's table: the table as read, the table to write instead, and
// the file that was read.
struct TableChange {
    Table original{};
    Table target{};
    FileIdentity identity;
};

// Opens the image at path for reading only, reads its table, and lets change make
// the target table from the open image and its table (a patch may read the whole
// image); closes it again. Throws ImageError, saying that nothing was written.
TableChange
readTableChange(FileOps& ops, const std::string& path,
                const std::function<Table(const ImageFile& image, const Table& table)>& change);

struct LoadResult {
    int listed = 0;  // stores listed
    int changed = 0; // of those, stores whose record changed
    int writes = 0;  // positioned writes made
};

// Writes the records of the listed stores (each store at most once) into the image
// at path. Reads and compares through a read-only open first, so that a load that
// changes nothing never opens the image for writing; then writes only the runs of
// listed stores, checking that the image is still the file read and holds the bytes
// compared. Throws ImageError with a message that says what failed and what the
// image now holds.
LoadResult loadStores(FileOps& ops, const std::string& path,
                      const std::vector<ListedStore>& stores);

// Writes the stores of change.target that differ from change.original into the
// image at path, one positioned write per run of consecutive stores, through the
// write transaction (which checks that the file and the bytes are still the ones
// read). Writes nothing, and never opens the image for writing, when none differs.
LoadResult writeTableChange(FileOps& ops, const std::string& path, const TableChange& change);

} // namespace store
