#pragma once
// A FileOps over the real POSIX calls that a test scripts. It logs every call, and
// can make one call fail with any errno, return a short count, or run an action just
// before it (another program truncating the file, renaming another file over it or
// rewriting its bytes). Calls are counted from 1, over all kinds, since the last
// reset(); a plan may also name the Nth call of one kind. Reads and writes of the
// descriptors named in unscripted (a command's standard error, say) pass through
// uncounted.

#include "FileOps.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

class ScriptedFileOps : public store::FileOps {
public:
    enum class Call {
        Open,
        Fstat,
        Pread,
        Pwrite,
        Fsync,
        Close,
        Stat,
        Lstat,
        Readlink,
        Read,
        Write,
        Fchmod,
        Fchown,
        Rename,
        Unlink,
        Mkostemp
    };
    enum class Fault { None, Error, Short };

    struct Plan {
        int number = 0;                // the Nth call (of kind, when kind is set)
        std::optional<Call> kind = {}; // any kind when not set
        Fault fault = Fault::None;
        int error = EIO;
        std::function<void()> before = {}; // runs just before the call
    };

    static const char* name(Call call) {
        static const char* const names[] = {
            "open",     "fstat", "pread", "pwrite", "fsync",  "close",  "stat",   "lstat",
            "readlink", "read",  "write", "fchmod", "fchown", "rename", "unlink", "mkostemp"};
        return names[static_cast<int>(call)];
    }
    static bool canBeShort(Call call) {
        return call == Call::Pread || call == Call::Pwrite || call == Call::Read ||
               call == Call::Write;
    }

    // Forgets the log and the plans; counting starts again.
    void reset() {
        log.clear();
        editStatus = nullptr;
        openFlags.clear();
        plans_.clear();
        fired.reset();
    }
    void add(Plan plan) { plans_.push_back(std::move(plan)); }
    void failCall(int number, int error = EIO) { add({number, {}, Fault::Error, error}); }
    void shortCall(int number) { add({number, {}, Fault::Short}); }
    void beforeCall(Call kind, int number, std::function<void()> action) {
        add({number, kind, Fault::None, 0, std::move(action)});
    }

    // Descriptors opened through this object and not closed yet.
    int openDescriptors() const { return static_cast<int>(open_.size()); }

    std::vector<Call> log;     // every call since the last reset, in order
    std::optional<Call> fired; // the call that a scripted fault failed or shortened
    std::set<int> unscripted;  // descriptors whose reads and writes are not scripted
    // Changes what the Nth fstat (counted from 1) reports, as a file system would for
    // another file: another birth time for the same device and inode, say.
    std::function<void(int number, store::FileStatus& status)> editStatus;
    std::vector<int> openFlags; // the flags of every open, in order

    int open(const char* path, int flags, mode_t mode) override {
        openFlags.push_back(flags);
        if (const Plan* plan = enter(Call::Open))
            return failWith(Call::Open, plan->error);
        const int fd = real_.open(path, flags, mode);
        if (fd >= 0)
            open_.insert(fd);
        return fd;
    }
    int mkostemp(char* pattern, int flags) override {
        if (const Plan* plan = enter(Call::Mkostemp))
            return failWith(Call::Mkostemp, plan->error);
        const int fd = real_.mkostemp(pattern, flags);
        if (fd >= 0)
            open_.insert(fd);
        return fd;
    }
    int fstat(int fd, store::FileStatus* status) override {
        if (const Plan* plan = enter(Call::Fstat))
            return failWith(Call::Fstat, plan->error);
        const int result = real_.fstat(fd, status);
        if (result == 0 && editStatus)
            editStatus(static_cast<int>(std::count(log.begin(), log.end(), Call::Fstat)), *status);
        return result;
    }
    int stat(const char* path, store::FileStatus* status) override {
        if (const Plan* plan = enter(Call::Stat))
            return failWith(Call::Stat, plan->error);
        return real_.stat(path, status);
    }
    int lstat(const char* path, store::FileStatus* status) override {
        if (const Plan* plan = enter(Call::Lstat))
            return failWith(Call::Lstat, plan->error);
        return real_.lstat(path, status);
    }
    ssize_t readlink(const char* path, char* buffer, std::size_t size) override {
        if (const Plan* plan = enter(Call::Readlink))
            return failWith(Call::Readlink, plan->error);
        return real_.readlink(path, buffer, size);
    }
    ssize_t read(int fd, void* buffer, std::size_t count) override {
        if (unscripted.contains(fd))
            return real_.read(fd, buffer, count);
        if (const auto failed = faultOrShorten(Call::Read, count))
            return *failed;
        return real_.read(fd, buffer, count);
    }
    ssize_t write(int fd, const void* buffer, std::size_t count) override {
        if (unscripted.contains(fd))
            return real_.write(fd, buffer, count);
        if (const auto failed = faultOrShorten(Call::Write, count))
            return *failed;
        return real_.write(fd, buffer, count);
    }
    ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) override {
        if (const auto failed = faultOrShorten(Call::Pread, count))
            return *failed;
        return real_.pread(fd, buffer, count, offset);
    }
    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override {
        if (const auto failed = faultOrShorten(Call::Pwrite, count))
            return *failed;
        return real_.pwrite(fd, buffer, count, offset);
    }
    int fchmod(int fd, mode_t mode) override {
        if (const Plan* plan = enter(Call::Fchmod))
            return failWith(Call::Fchmod, plan->error);
        return real_.fchmod(fd, mode);
    }
    int fchown(int fd, uid_t owner, gid_t group) override {
        if (const Plan* plan = enter(Call::Fchown))
            return failWith(Call::Fchown, plan->error);
        return real_.fchown(fd, owner, group);
    }
    int fsync(int fd) override {
        if (const Plan* plan = enter(Call::Fsync))
            return failWith(Call::Fsync, plan->error);
        return real_.fsync(fd);
    }
    int close(int fd) override {
        const Plan* plan = enter(Call::Close);
        open_.erase(fd);
        const int result = real_.close(fd); // a failing close still releases the descriptor
        if (plan)
            return failWith(Call::Close, plan->error);
        return result;
    }
    int rename(const char* from, const char* to) override {
        if (const Plan* plan = enter(Call::Rename))
            return failWith(Call::Rename, plan->error);
        return real_.rename(from, to);
    }
    int unlink(const char* path) override {
        if (const Plan* plan = enter(Call::Unlink))
            return failWith(Call::Unlink, plan->error);
        return real_.unlink(path);
    }

private:
    // Logs the call, runs the actions planned before it, and gives the plan that
    // faults it (none when no plan does).
    const Plan* enter(Call call) {
        log.push_back(call);
        const int overall = static_cast<int>(log.size());
        int ofKind = 0;
        for (Call c : log)
            ofKind += c == call;
        const Plan* faulting = nullptr;
        for (const Plan& plan : plans_) {
            const bool matches =
                plan.kind ? (*plan.kind == call && plan.number == ofKind) : plan.number == overall;
            if (!matches)
                continue;
            if (plan.before)
                plan.before();
            if (plan.fault != Fault::None)
                faulting = &plan;
        }
        return faulting;
    }
    // For a call that moves bytes: -1 when the plan fails it; else the count, one
    // byte shorter when the plan shortens it.
    std::optional<ssize_t> faultOrShorten(Call call, std::size_t& count) {
        const Plan* plan = enter(call);
        if (!plan)
            return std::nullopt;
        if (plan->fault == Fault::Error)
            return failWith(call, plan->error);
        fired = call;
        count = count > 1 ? count - 1 : 0;
        return std::nullopt;
    }
    int failWith(Call call, int error) {
        fired = call;
        errno = error;
        return -1;
    }

    store::PosixFileOps real_;
    std::vector<Plan> plans_;
    std::set<int> open_;
};
