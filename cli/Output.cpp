#include "Output.h"

#include "FileError.h"

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace cli {

using store::callFailed;
using store::Failure;
using store::FileError;
using store::FileOps;
using store::FileStatus;
using store::retryInterrupted;

namespace {

constexpr std::size_t kWriterPiece = std::size_t(64) << 10;
constexpr int kMostLinksFollowed = 40; // as the kernel's own limit
// A temporary file beside the output: a hidden name, its X's made unique.
constexpr char kTemporaryPattern[] = "/.qsXXXXXX";
constexpr mode_t kPermissionBits = 07777;

// The temporary file being written, for the signal handler: a fixed buffer, since a
// handler may not allocate.
char pendingTemporary[PATH_MAX + 1];
volatile std::sig_atomic_t temporaryPending = 0;
// The file calls that made it, which remove it too (the program's are plain POSIX
// calls, safe in a signal handler).
FileOps* volatile pendingOps = nullptr;
constexpr std::array kCleanedUpSignals = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void removePendingAndDie(int signal) {
    if (temporaryPending)
        pendingOps->unlink(pendingTemporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Holds the cleaned-up signals back while the pending temporary file changes, so
// that a handler never sees a half-written name or misses a file just made.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : kCleanedUpSignals)
            sigaddset(&set, signal);
        sigprocmask(SIG_BLOCK, &set, &previous_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_;
};

std::string reason(int error) {
    return std::strerror(error);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that name leads to, following symbolic links; its status when it exists.
struct Target {
    std::string path;
    bool exists = false;
    FileStatus status{};
};

Target resolve(FileOps& ops, const std::string& name) {
    Target target{name};
    for (int hop = 0; hop <= kMostLinksFollowed; ++hop) {
        FileStatus status{};
        if (retryInterrupted([&] { return ops.lstat(target.path.c_str(), &status); }) != 0) {
            if (errno == ENOENT)
                return target;
            throw callFailed(Failure::Write, name, errno);
        }
        if (!S_ISLNK(status.mode)) {
            target.exists = true;
            target.status = status;
            return target;
        }
        std::array<char, PATH_MAX + 1> link{};
        const ssize_t length = retryInterrupted(
            [&] { return ops.readlink(target.path.c_str(), link.data(), PATH_MAX); });
        if (length < 0)
            throw callFailed(Failure::Write, name, errno);
        const std::string to(link.data(), std::size_t(length));
        target.path = to.starts_with('/') ? to : folderOf(target.path) + "/" + to;
    }
    throw callFailed(Failure::Write, name, ELOOP);
}

void setPending(FileOps& ops, const std::string& path) {
    std::memcpy(pendingTemporary, path.c_str(), path.size() + 1);
    pendingOps = &ops;
    temporaryPending = 1;
}

FileError inputIsOutput(const std::string& name) {
    return FileError(Failure::Refused, name, "input file is output file").nothingWritten();
}

// A patch's bytes on a terminal would be taken for escape sequences.
void refuseTerminal(const std::string& name, int fd, Content kind) {
    if (kind == Content::Binary && ::isatty(fd))
        throw FileError(Failure::Refused, name,
                        "is a terminal, and a patch is binary: name a file, or redirect "
                        "standard output")
            .nothingWritten();
}

// A device, a FIFO: written into as a shell redirection writes into it.
void writeInto(FileOps& ops, const std::string& name, const Target& target,
               std::string_view content, Content kind) {
    if (S_ISDIR(target.status.mode))
        throw callFailed(Failure::Write, name, EISDIR);
    const int fd = retryInterrupted([&] {
        return ops.open(target.path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0);
    });
    if (fd < 0)
        throw callFailed(Failure::Open, name, errno);
    try {
        refuseTerminal(name, fd, kind);
    } catch (const FileError&) {
        ops.close(fd);
        throw;
    }
    int error = writeAll(ops, fd, content);
    if (ops.close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        throw callFailed(Failure::Write, name, error);
}

// A regular file or a new one: a temporary file beside it, renamed over it.
void replace(FileOps& ops, const std::string& name, const Target& target,
             std::string_view content) {
    const std::string folder = folderOf(target.path);
    std::string temporary = folder + kTemporaryPattern;
    if (temporary.size() > PATH_MAX)
        throw callFailed(Failure::Write, name, ENAMETOOLONG);
    int fd = -1;
    {
        // Made with mode 0600 under a name no other file has; a signal from here on
        // finds it pending and removes it.
        const SignalsHeld held;
        fd = retryInterrupted([&] {
            temporary = folder + kTemporaryPattern; // a failed call may leave it changed
            return ops.mkostemp(temporary.data(), O_CLOEXEC);
        });
        if (fd < 0)
            throw callFailed(Failure::Write, name, errno);
        setPending(ops, temporary);
    }

    int error = writeAll(ops, fd, content);
    mode_t mode = 0666;
    if (target.exists) {
        mode = target.status.mode & kPermissionBits;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    if (error == 0 && retryInterrupted([&] { return ops.fchmod(fd, mode); }) != 0)
        error = errno;
    // The owner where the process may give it (root may); a failure keeps ours.
    if (error == 0 && target.exists &&
        (target.status.owner != ::geteuid() || target.status.group != ::getegid()))
        retryInterrupted([&] { return ops.fchown(fd, target.status.owner, target.status.group); });
    if (error == 0 && retryInterrupted([&] { return ops.fsync(fd); }) != 0)
        error = errno;
    if (ops.close(fd) != 0 && error == 0)
        error = errno;
    const SignalsHeld held;
    if (error == 0 &&
        retryInterrupted([&] { return ops.rename(temporary.c_str(), target.path.c_str()); }) != 0)
        error = errno;
    if (error != 0)
        retryInterrupted([&] { return ops.unlink(temporary.c_str()); });
    temporaryPending = 0;
    if (error != 0)
        throw FileError(Failure::Write, name, reason(error) + "; it is unchanged");
}

} // namespace

int writeAll(FileOps& ops, int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put =
            retryInterrupted([&] { return ops.write(fd, bytes.data(), bytes.size()); });
        if (put < 0)
            return errno;
        if (put == 0)
            return EIO; // a write that takes nothing would take nothing forever
        bytes.remove_prefix(std::size_t(put));
    }
    return 0;
}

void CheckedWriter::put(std::string_view bytes) {
    if (error_ != 0)
        return;
    held_.append(bytes);
    if (held_.size() >= kWriterPiece)
        flush();
}

bool CheckedWriter::flush() {
    if (error_ == 0 && !held_.empty()) {
        wroteAny_ = true;
        error_ = writeAll(ops_, fd_, held_);
    }
    held_.clear();
    return error_ == 0;
}

bool CheckedWriter::flushAndClose() {
    const bool flushed = flush();
    if (ops_.close(fd_) != 0 && error_ == 0 && !(errno == EBADF && !wroteAny_))
        error_ = errno;
    return flushed && error_ == 0;
}

std::optional<int> namedDescriptor(const std::string& name) {
    if (name == "/dev/stdin")
        return STDIN_FILENO;
    if (name == "/dev/stdout")
        return STDOUT_FILENO;
    if (name == "/dev/stderr")
        return STDERR_FILENO;
    for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!name.starts_with(folder) || name.size() == folder.size() ||
            name.size() - folder.size() > 9)
            continue;
        int fd = 0;
        for (const char c : std::string_view(name).substr(folder.size())) {
            if (c < '0' || c > '9')
                return std::nullopt;
            fd = fd * 10 + (c - '0');
        }
        return fd;
    }
    return std::nullopt;
}

void writeIntoDescriptor(FileOps& ops, const std::string& name, int fd, std::string_view content,
                         Content kind, const std::vector<store::FileIdentity>& inputs) {
    FileStatus status{};
    if (retryInterrupted([&] { return ops.fstat(fd, &status); }) != 0)
        throw callFailed(Failure::Write, name, errno);
    if (S_ISREG(status.mode))
        for (const auto& input : inputs)
            if (input == store::FileIdentity::of(status))
                throw inputIsOutput(name);
    refuseTerminal(name, fd, kind);
    if (const int error = writeAll(ops, fd, content); error != 0)
        throw callFailed(Failure::Write, name, error);
}

void writeOutputFile(FileOps& ops, const std::string& name, std::string_view content, Content kind,
                     const std::vector<store::FileIdentity>& inputs) {
    if (name.empty())
        throw callFailed(Failure::Write, name, ENOENT);
    const Target target = resolve(ops, name);
    if (target.exists && S_ISREG(target.status.mode)) {
        const auto output = store::FileIdentity::of(target.status);
        for (const auto& input : inputs)
            if (input == output)
                throw inputIsOutput(name);
    }
    if (target.exists && !S_ISREG(target.status.mode))
        writeInto(ops, name, target, content, kind);
    else
        replace(ops, name, target, content);
}

void removeTemporaryFilesOnSignals() {
    for (int signal : kCleanedUpSignals) {
        struct sigaction action {};
        action.sa_handler = removePendingAndDie;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
}

} // namespace cli
