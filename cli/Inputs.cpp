#include "Inputs.h"

#include "FileError.h"
#include "Patches.h"
#include "TableText.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>

namespace cli {

using store::callFailed;
using store::Failure;
using store::FileError;
using store::FileOps;
using store::retryInterrupted;

namespace {

constexpr std::size_t kPiece = std::size_t(64) << 10;
constexpr std::size_t kFirstPiece = std::size_t(4) << 10;

// A text or a patch is read whole; a stream is read no further than the larger of
// the two limits, and a byte more to tell that it is larger.
constexpr std::size_t kLargestRead = std::max(kLargestText, patch::kLargestPatch);

std::size_t largestOf(InputKind kind) {
    return kind == InputKind::Text ? kLargestText : patch::kLargestPatch;
}

FileError refusal(const std::string& name, const std::string& detail) {
    return FileError(Failure::Refused, name, detail);
}

FileError tooLarge(const std::string& name, InputKind kind) {
    return refusal(name, std::string("too large to be ") +
                             (kind == InputKind::Text ? "a store table text" : "a patch") +
                             " (more than " + std::to_string(largestOf(kind) >> 20) + " MiB)");
}

// What the first bytes of an operand tell, as far as they go.
struct FirstBytes {
    std::optional<patch::Format> format;   // a patch's magic bytes
    std::optional<text::SourceKind> sniff; // text or not, once decided
};

// The kind of an operand from its first bytes and its size (more than the largest
// text when only that is known), among the kinds it accepts where the bytes leave a
// choice.
InputKind kindOf(const FirstBytes& first, std::uint64_t size, unsigned accepts) {
    const bool image = accepts & kAcceptsImage;
    // Where an image is accepted, anything long enough to hold a table may be one.
    if (first.format && !(image && store::holdsTable(store::Position(size))))
        return *first.format == patch::Format::Ips ? InputKind::IpsPatch : InputKind::BpsPatch;
    if (first.sniff == text::SourceKind::Text &&
        !(image && !(accepts & kAcceptsText) && store::holdsTable(store::Position(size))))
        return InputKind::Text;
    if (image || store::holdsTable(store::Position(size)) || size > kLargestRead)
        return InputKind::Image;
    return InputKind::Text; // read as a text, whose errors then say what is wrong
}

void refuseUnaccepted(const std::string& name, InputKind kind, unsigned accepts) {
    const bool accepted = kind == InputKind::Text    ? (accepts & kAcceptsText)
                          : kind == InputKind::Image ? (accepts & kAcceptsImage)
                                                     : (accepts & kAcceptsPatch);
    if (accepted)
        return;
    std::string wanted;
    if (accepts & kAcceptsImage)
        wanted = "a ROM image";
    if (accepts & kAcceptsText)
        wanted += wanted.empty() ? "a store table text" : " or a store table text";
    if (accepts & kAcceptsPatch)
        wanted += wanted.empty() ? "a patch" : " or a patch";
    std::string hint;
    if (kind == InputKind::Image && !(accepts & kAcceptsImage))
        hint = " (load takes the image first: load IMAGE FILE)";
    else if (kind != InputKind::Image && kind != InputKind::Text)
        hint = " ('load IMAGE PATCH --dry-run' shows what a patch changes)";
    throw refusal(name, std::string("is ") + kindName(kind) + ", not " + wanted + hint);
}

// Reads up to count bytes at offset (by position) or from the stream; gives how
// many, 0 at the end.
std::size_t readSome(FileOps& ops, const std::string& name, int fd, bool positioned, char* buffer,
                     std::size_t count, off_t offset) {
    const ssize_t got = retryInterrupted([&] {
        return positioned ? ops.pread(fd, buffer, count, offset) : ops.read(fd, buffer, count);
    });
    if (got < 0)
        throw callFailed(Failure::Read, name, errno);
    return std::size_t(got);
}

// Tells the kind of an operand from its bytes, fed piece by piece from its start:
// keeps the few bytes that magic numbers need, and none else.
class KindSniffer {
public:
    // Feeds the next bytes; true once nothing more is needed.
    bool feed(std::string_view bytes) {
        head_.append(bytes.substr(0, kMagicBytes - std::min(head_.size(), kMagicBytes)));
        if (!first_.sniff)
            first_.sniff = sniffer_.feed(bytes);
        return first_.sniff.has_value() && head_.size() >= kMagicBytes;
    }
    FirstBytes finish() {
        if (!first_.sniff)
            first_.sniff = sniffer_.finish();
        first_.format = patch::formatOf(head_);
        return first_;
    }

private:
    static constexpr std::size_t kMagicBytes = 5; // "PATCH"
    std::string head_;
    text::SourceSniffer sniffer_;
    FirstBytes first_;
};

// Reads the rest of a text or a patch of size bytes (known) by position.
std::string readWhole(FileOps& ops, const std::string& name, int fd, std::size_t size) {
    std::string bytes(size, '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t got =
            readSome(ops, name, fd, true, bytes.data() + done, bytes.size() - done, off_t(done));
        if (got == 0)
            break; // shorter than it was: the file is what is there
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

// A regular file: its kind from its first bytes, read piece by piece, and its size.
Input readRegular(FileOps& ops, const std::string& name, int fd, const store::FileStatus& status,
                  unsigned accepts) {
    const std::uint64_t size = std::uint64_t(status.size);
    KindSniffer sniffer;
    std::string piece(kPiece, '\0');
    // An image tells itself in its first bytes: a small first read, larger ones after
    // for a text whose format line follows many comment lines.
    std::size_t want = kFirstPiece;
    for (std::uint64_t offset = 0; offset < size && offset <= kLargestRead; want = kPiece) {
        const std::size_t got = readSome(ops, name, fd, true, piece.data(), want, off_t(offset));
        if (got == 0 || sniffer.feed(std::string_view(piece.data(), got)))
            break;
        offset += got;
    }
    Input input;
    input.kind = kindOf(sniffer.finish(), size, accepts);
    refuseUnaccepted(name, input.kind, accepts);
    if (input.kind == InputKind::Image) {
        input.image = store::readImageTable(ops, name, fd, status);
        return input;
    }
    if (size > largestOf(input.kind))
        throw tooLarge(name, input.kind);
    input.bytes = readWhole(ops, name, fd, std::size_t(size));
    return input;
}

// A pipe, a device, a terminal: read once from its start. An image is handed to
// the image reader as soon as its kind is clear; anything else is read up to the
// largest text or patch, and a byte more to tell that it is larger.
Input readStream(FileOps& ops, const std::string& name, int fd, const store::FileStatus& status,
                 unsigned accepts) {
    KindSniffer sniffer;
    std::string bytes;
    bool decided = false, ended = false;
    while (bytes.size() <= kLargestRead) {
        const std::size_t before = bytes.size();
        const std::size_t want = std::min(kPiece, kLargestRead + 1 - before);
        if (bytes.capacity() < before + want)
            bytes.reserve(
                std::min(kLargestRead + 1, std::max(2 * bytes.capacity(), before + want)));
        bytes.resize(before + want);
        const std::size_t got = readSome(ops, name, fd, false, bytes.data() + before, want, 0);
        bytes.resize(before + got);
        if (got == 0) {
            ended = true;
            break;
        }
        if (!decided)
            decided = sniffer.feed(std::string_view(bytes.data() + before, got));
        // Plainly an image where one is wanted: no need to hold more of it.
        if (decided && (accepts & kAcceptsImage)) {
            const FirstBytes first = sniffer.finish();
            if (!first.format && first.sniff == text::SourceKind::Image)
                break;
        }
    }
    const std::uint64_t size = ended ? bytes.size() : kLargestRead + 1;
    Input input;
    const FirstBytes first = sniffer.finish();
    // An image whose end is not yet read may be long enough for its table.
    input.kind = ended ? kindOf(first, size, accepts)
                       : ((accepts & kAcceptsImage) && !first.format &&
                                  first.sniff == text::SourceKind::Image
                              ? InputKind::Image
                              : kindOf(first, size, accepts));
    refuseUnaccepted(name, input.kind, accepts);
    if (input.kind == InputKind::Image) {
        input.image = store::readImageTable(ops, name, fd, status, bytes);
        return input;
    }
    if (!ended || bytes.size() > largestOf(input.kind))
        throw tooLarge(name, input.kind);
    input.bytes = std::move(bytes);
    return input;
}

} // namespace

const char* kindName(InputKind kind) {
    switch (kind) {
    case InputKind::Text:
        return "a store table text";
    case InputKind::IpsPatch:
        return "an IPS patch";
    case InputKind::BpsPatch:
        return "a BPS patch";
    case InputKind::Image:
        break;
    }
    return "a ROM image";
}

Input readInput(FileOps& ops, const std::string& name, int input, unsigned accepts) {
    const bool standardInput = name == kStandardStream;
    int fd = input;
    if (!standardInput) {
        fd = retryInterrupted(
            [&] { return ops.open(name.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC, 0); });
        if (fd < 0)
            throw callFailed(Failure::Open, name, errno);
    }
    Input read;
    try {
        store::FileStatus status{};
        if (retryInterrupted([&] { return ops.fstat(fd, &status); }) != 0)
            throw callFailed(Failure::Read, name, errno);
        if (S_ISDIR(status.mode))
            throw callFailed(Failure::Read, name, EISDIR);
        read = S_ISREG(status.mode) ? readRegular(ops, name, fd, status, accepts)
                                    : readStream(ops, name, fd, status, accepts);
        read.identity = store::FileIdentity::of(status);
    } catch (const FileError&) {
        if (!standardInput)
            ops.close(fd);
        throw;
    }
    // Only read: a failing close changes nothing that was read.
    if (!standardInput)
        ops.close(fd);
    return read;
}

} // namespace cli
