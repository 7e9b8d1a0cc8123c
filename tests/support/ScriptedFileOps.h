#pragma once
// A FileOps over the real POSIX calls that a test scripts. It logs every call, and
// can make one call fail with any errno, return a short count, or run an action just
// before it (another program truncating the file, renaming another file over it or
// rewriting its bytes). Calls are counted from 1, over all kinds, since the last
// reset(); a plan may also name the Nth call of one kind.

#include "FileOps.h"

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
    enum class Call { Open, Fstat, Pread, Pwrite, Fsync, Close };
    enum class Fault { None, Error, Short };

    struct Plan {
        int number = 0;                // the Nth call (of kind, when kind is set)
        std::optional<Call> kind = {}; // any kind when not set
        Fault fault = Fault::None;
        int error = EIO;
        std::function<void()> before = {}; // runs just before the call
    };

    static const char* name(Call call) {
        static const char* const names[] = {"open", "fstat", "pread", "pwrite", "fsync", "close"};
        return names[static_cast<int>(call)];
    }
    static bool canBeShort(Call call) { return call == Call::Pread || call == Call::Pwrite; }

    // Forgets the log and the plans; counting starts again.
    void reset() {
        log.clear();
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

    int open(const char* path, int flags) override {
        if (const Plan* plan = enter(Call::Open))
            return failWith(Call::Open, plan->error);
        const int fd = ::open(path, flags);
        if (fd >= 0)
            open_.insert(fd);
        return fd;
    }
    int fstat(int fd, struct stat* info) override {
        if (const Plan* plan = enter(Call::Fstat))
            return failWith(Call::Fstat, plan->error);
        return ::fstat(fd, info);
    }
    ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) override {
        if (const Plan* plan = enter(Call::Pread)) {
            if (plan->fault == Fault::Error)
                return failWith(Call::Pread, plan->error);
            fired = Call::Pread;
            count = count > 1 ? count - 1 : 0;
        }
        return ::pread(fd, buffer, count, offset);
    }
    ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset) override {
        if (const Plan* plan = enter(Call::Pwrite)) {
            if (plan->fault == Fault::Error)
                return failWith(Call::Pwrite, plan->error);
            fired = Call::Pwrite;
            count = count > 1 ? count - 1 : 0;
        }
        return ::pwrite(fd, buffer, count, offset);
    }
    int fsync(int fd) override {
        if (const Plan* plan = enter(Call::Fsync))
            return failWith(Call::Fsync, plan->error);
        return ::fsync(fd);
    }
    int close(int fd) override {
        const Plan* plan = enter(Call::Close);
        open_.erase(fd);
        const int result = ::close(fd); // a failing close still releases the descriptor
        if (plan)
            return failWith(Call::Close, plan->error);
        return result;
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
    int failWith(Call call, int error) {
        fired = call;
        errno = error;
        return -1;
    }

    std::vector<Plan> plans_;
    std::set<int> open_;
};
