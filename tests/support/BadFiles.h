#pragma once
// The files that nothing may take for an image, shared by every table that checks a
// refusal: how each is made at a path, and the words its refusal uses.

#include "ImageMaker.h"
#include "StoreTable.h"

#include <QTest>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fixtures {

enum class BadFile {
    EmptyName,
    Missing,
    Directory,
    Fifo,
    Empty,
    MarkerShort,
    TableShort,
    ReadOnly
};

struct BadFileCase {
    BadFile kind;
    const char* row;
    const char* reason; // a part of every refusal's message
};

inline constexpr BadFileCase kBadFiles[] = {
    {BadFile::EmptyName, "empty name", "ROM image is chosen"},
    {BadFile::Missing, "missing", "No such file"},
    {BadFile::Directory, "a directory", "not a regular file"},
    {BadFile::Fifo, "a FIFO, which must not block", "not a regular file"},
    {BadFile::Empty, "0 bytes", "too short"},
    {BadFile::MarkerShort, "66002 bytes, one short of the marker", "too short"},
    {BadFile::TableShort, "1407615 bytes, one short of the table", "too short"},
    {BadFile::ReadOnly, "read-only (refused for writing)", "Permission denied"},
};

// The columns "badFile" (a BadFile) and "reason", for a _data() function.
inline void addBadFileColumns() {
    QTest::addColumn<int>("badFile");
    QTest::addColumn<QString>("reason");
}

// A row for each of kinds, in the columns of addBadFileColumns.
inline void addBadFileRows(std::initializer_list<BadFile> kinds) {
    for (const BadFileCase& bad : kBadFiles)
        for (BadFile kind : kinds)
            if (bad.kind == kind)
                QTest::newRow(bad.row) << int(bad.kind) << QString::fromLatin1(bad.reason);
}

// The length of a file made short, one byte short of what it must hold.
inline std::int64_t shortLength(BadFile kind) {
    switch (kind) {
    case BadFile::MarkerShort:
        return store::kMarkerPositions[1];
    case BadFile::TableShort:
        return store::kTableLast - 1;
    default:
        return 0;
    }
}

// Makes the bad file at path, in place of whatever is there; an empty name clears
// path. False when this user cannot be refused it: root may write read-only files.
inline bool makeBadFile(BadFile kind, std::string& path) {
    if (kind == BadFile::EmptyName) {
        path.clear();
        return true;
    }
    std::filesystem::remove_all(path);
    switch (kind) {
    case BadFile::Missing:
        break;
    case BadFile::Directory:
        std::filesystem::create_directory(path);
        break;
    case BadFile::Fifo:
        if (::mkfifo(path.c_str(), 0600) != 0)
            return false;
        break;
    case BadFile::ReadOnly:
        tools::Image::random(1).save(path);
        std::filesystem::permissions(path, std::filesystem::perms::owner_read);
        return ::access(path.c_str(), W_OK) != 0;
    default:
        tools::Image(shortLength(kind)).save(path);
        break;
    }
    return true;
}

} // namespace fixtures
