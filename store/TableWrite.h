#pragma once
// The one way anything is written into an image: runs of store-table bytes, each
// checked against the bytes the caller read before, written in one positioned write
// each, flushed, and put back when a write or the flush fails. The editor's Save
// writes one run (a store's record), quendle-stores one run per run of consecutive
// listed stores.

#include "FileError.h"
#include "ImageFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace store {

// The records of consecutive stores: the first store, the bytes the caller read
// there (nothing when it does not know them: then the write is refused) and the
// bytes to write, a whole number of records.
struct TableRun {
    int firstStore = 0;
    std::optional<std::vector<std::uint8_t>> expected;
    std::vector<std::uint8_t> replacement;
};

// The image that a caller read, as it must still be to be written: the same file,
// whose size still gives the same layout.
struct ReadImage {
    FileIdentity identity;
    Layout layout = Layout::OtherSize;
};

// Opens the image at path for writing and checks that it is the file image names,
// a regular file of the same layout that reaches its table's end, whose runs hold
// the expected bytes where that layout puts them; then writes each run in one
// positioned write, flushes, checks that the length has not changed and closes.
// Returns only when all of that succeeded. Throws FileError that says what failed
// and what the image now holds; a write or flush that fails puts back the bytes that
// were there.
void writeTableRuns(FileOps& ops, const std::string& path, const ReadImage& image,
                    const std::vector<TableRun>& runs);

} // namespace store
