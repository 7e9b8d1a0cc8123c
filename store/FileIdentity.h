#pragma once

#include "FileOps.h"

namespace store {

// Which file a path named when it was opened: another file renamed over the path
// has another identity. Inode numbers are reused as soon as a file is removed, so
// the birth time tells a new file from the old one where the file system keeps it.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool hasBirthTime = false;
    timespec birthTime{};

    static FileIdentity of(const FileStatus& status) {
        return {status.device, status.inode, status.hasBirthTime, status.birthTime};
    }
    friend bool operator==(const FileIdentity& a, const FileIdentity& b) {
        if (a.device != b.device || a.inode != b.inode)
            return false;
        return !a.hasBirthTime || !b.hasBirthTime ||
               (a.birthTime.tv_sec == b.birthTime.tv_sec &&
                a.birthTime.tv_nsec == b.birthTime.tv_nsec);
    }
};

} // namespace store
