#pragma once
// The one reader of an image's store table, for both programs, the tests and the
// benchmarks: from a file by position, or from a pipe or a device from its start to
// its end. It tells the image's layout from its size, once, and reads the table
// where that layout puts it. Memory stays bounded whatever it is fed: a stream is
// kept only as far as the farthest table's end, and counted beyond.

#include "ImageFile.h"

#include <string>
#include <string_view>

namespace store {

// What reading an image tells: its size, its layout, its table, and which file it
// was.
struct ImageTable {
    Position length = 0;
    Layout layout = Layout::OtherSize;
    Table table{};
    FileIdentity identity;
};

// Reads the table of the image open for reading on fd, of which fstat told status;
// name names it in messages. A regular file is read by position, in one read. Any
// other file is read from where it stands to its end, after start, the bytes
// already read from it (to tell what it holds). Throws FileError: a file too short
// for its layout's table, a read that fails.
ImageTable readImageTable(FileOps& ops, const std::string& name, int fd, const FileStatus& status,
                          std::string_view start = {});

// Opens the image at path for reading only, reads its table, and closes it again:
// four calls (open, fstat, pread, close) for a regular file. Throws FileError as
// ImageFile::open does.
ImageTable readImageTableOf(FileOps& ops, const std::string& path);

} // namespace store
