#pragma once
// A load's sequence: the image's whole table read through a read-only open, the
// target table made from it (a text's stores, a patch applied), and then the stores
// that differ written in one positioned write per run of consecutive stores, through
// the same write transaction as the editor's Save (store/TableWrite.h).

#include "ImageFile.h"
#include "TableWrite.h"

#include <functional>
#include <string>

namespace cli {

// A change of an image's table: the table as read, the table to write instead, and
// the file that was read, with its layout.
struct TableChange {
    store::Table original{};
    store::Table target{};
    store::ReadImage image;
};

// Opens the image at path for reading only, reads its table, and lets change make
// the target table from the open image and its table (a patch may read the whole
// image); closes it again. Throws store::FileError, saying that nothing was written.
TableChange readTableChange(store::FileOps& ops, const std::string& path,
                            const std::function<store::Table(const store::ImageFile& image,
                                                             const store::Table& table)>& change);

struct LoadResult {
    int changed = 0; // stores whose record changed
    int writes = 0;  // positioned writes made
};

// Writes the stores of change.target that differ from change.original into the
// image at path, one positioned write per run of consecutive stores, through the
// write transaction (which checks that the file and the bytes are still the ones
// read). Writes nothing, and never opens the image for writing, when none differs.
LoadResult writeTableChange(store::FileOps& ops, const std::string& path,
                            const TableChange& change);

} // namespace cli
