#pragma once
// The whole store table of an image at once: read in one positioned read, and
// stores written in one positioned write per run of consecutive stores, through the
// same write transaction as the editor's Save (TableWrite.h).

#include "ImageFile.h"
#include "TableWrite.h"

#include <array>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace store {

// A store and the record to write into it.
struct ListedStore {
    int store = 0;
    Record ids{};
};

// A change of an image's table: the table as read, the table to write instead, and
// the file that was read, with its layout.
struct TableChange {
    Table original{};
    Table target{};
    ReadImage image;
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
