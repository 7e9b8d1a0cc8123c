#pragma once
// The whole store table of an image at once: read in one positioned read, and
// stores written in one positioned write per run of consecutive stores, with the
// same safety as the editor's Save: the file must exist and reach the table's end,
// its length must not change, every write is flushed before success is reported,
// and a write that fails part-way is put back.

#include "ImageFile.h"

#include <array>
#include <string>
#include <vector>

namespace store {

using Table = std::array<Record, kStoreCount>;

// A store and the record to write into it.
struct ListedStore {
    int store = 0;
    Record ids{};
    int line = 0; // where it came from (the 1-based line of a text), for messages
};

// The table of an image already open.
Table readTable(const ImageFile& image);

// The table of the image at path, read once and not written (ImageFile::readOnce).
// Throws ImageError.
Table readTableOf(FileOps& ops, const std::string& path);

// The table held in the bytes of a whole image (read from a pipe, say). Throws
// ImageError when they do not reach the table's end.
Table tableOfBytes(std::string_view bytes, const std::string& name);

struct LoadResult {
    int listed = 0;  // stores listed
    int changed = 0; // of those, stores whose record changed
    int writes = 0;  // positioned writes made
};

// Writes the records of the listed stores (each store at most once) into the image
// at path. Writes nothing when no listed record differs from the image's. Throws
// ImageError with a message that says what failed and what the image now holds.
LoadResult loadStores(FileOps& ops, const std::string& path,
                      const std::vector<ListedStore>& stores);

} // namespace store
