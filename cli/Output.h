#pragma once
// Where quendle-stores writes: standard output through a checked writer, standard
// error a line at a time, and -o FILE the way a careful tool writes a file.

#include "FileOps.h"
#include "ImageFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Writes to a descriptor through the file calls, in large pieces, and remembers the
// first failure: once a write has failed, nothing more is written.
class CheckedWriter {
public:
    CheckedWriter(store::FileOps& ops, int fd) : ops_(ops), fd_(fd) {}
    CheckedWriter(const CheckedWriter&) = delete;
    CheckedWriter& operator=(const CheckedWriter&) = delete;

    void put(std::string_view bytes);
    // Writes what is held; false when this or an earlier write failed.
    bool flush();
    // Flushes and closes the descriptor, the way a program ends its standard output:
    // false when anything failed. A descriptor that was closed from the start and took
    // no bytes is no failure.
    bool flushAndClose();
    int error() const { return error_; } // errno of the first failure, 0 when none

private:
    store::FileOps& ops_;
    int fd_;
    std::string held_;
    bool wroteAny_ = false;
    int error_ = 0;
};

// Writes all of bytes to fd, going on after a short write and EINTR. Gives 0, or
// the errno of the failure.
int writeAll(store::FileOps& ops, int fd, std::string_view bytes);

// What -o writes: a text, or a patch's bytes, which never go to a terminal.
enum class Content { Text, Binary };

// The descriptor that a name of an open descriptor stands for: /dev/stdin,
// /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N; nothing for any other
// name.
std::optional<int> namedDescriptor(const std::string& name);

// Writes content into the open descriptor fd that name names, as a shell
// redirection writes into it (appending where it appends, into a pipe or a
// terminal where it is one), leaving it open. Refuses a regular file that is one
// of inputs, and binary content for a terminal. Throws store::FileError naming
// the file.
void writeIntoDescriptor(store::FileOps& ops, const std::string& name, int fd,
                         std::string_view content, Content kind,
                         const std::vector<store::FileIdentity>& inputs);

// Writes content to the file name names, for -o:
// - a regular file, or a name that does not exist yet: through a temporary file in
//   the same folder, flushed and renamed over the name once whole; an existing file
//   keeps its permission bits and, where the process may, its owner;
// - a symbolic link is followed: its target is written, the link stays;
// - anything else (a device, a FIFO) is opened and written into, never replaced.
// Refuses a regular file that is one of inputs (device and inode), and binary
// content for a terminal. Throws store::FileError naming the file; the file then
// holds what it held before, except a device or FIFO, which may have taken part of
// the content.
void writeOutputFile(store::FileOps& ops, const std::string& name, std::string_view content,
                     Content kind, const std::vector<store::FileIdentity>& inputs);

// Removes a temporary file still pending when SIGINT, SIGTERM, SIGHUP or SIGPIPE
// arrives, then dies of the signal as it would have.
void removeTemporaryFilesOnSignals();

} // namespace cli
