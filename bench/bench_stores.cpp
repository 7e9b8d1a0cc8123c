// Benchmarks of quendle-stores' own work, over the core alone: dumping the table of
// 1,000 images of 4 MiB each against a floor measured in the same run (a plain loop
// of open, fstat for the size that tells the layout, one pread of the table's 455
// bytes and close over the same files), and
// loading one store into an image of 256 MiB against one of 4 MiB; and the
// commands that make and load IPS and BPS patches for a 4 MiB image, with the cost of
// BPS's CRC-32s per MiB beside zlib's own speed; and the worst patches that can be
// built, applied or refused, beside their floor (reading the image and the patch
// whole, and the image's CRC-32). Prints the cost per image in CPU time, the median
// of several rounds, and the ratios beside the targets.
#include "Commands.h"
#include "ImageReader.h"
#include "Patches.h"
#include "TableLoad.h"
#include "TableText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

constexpr int kImages = 1000;
constexpr off_t kSmall = off_t(4) << 20;
constexpr off_t kLarge = off_t(256) << 20;
constexpr int kRounds = 9;
constexpr int kLoadRounds = 41;
constexpr int kPatchRounds = 21;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr std::size_t kTableBytes = store::kTableBytes;

// Where the table of an image of length bytes starts, as a 0-based offset.
off_t tableOffset(off_t length) {
    return off_t(store::tableFirst(store::layoutOfSize(length)) - 1);
}

// CPU time of this process, its system calls included: what a dump costs, less
// the waits of a busy machine.
double cpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double cpuSeconds(const std::function<void()>& work) {
    const double start = cpuNow();
    work();
    return cpuNow() - start;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A sparse image: holes everywhere but a table of varied bytes.
void makeImage(const std::string& path, off_t length, int seed) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    std::vector<std::uint8_t> table(kTableBytes);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = std::uint8_t(i * 7 + seed);
    if (fd < 0 || ::ftruncate(fd, length) != 0 ||
        ::pwrite(fd, table.data(), table.size(), tableOffset(length)) < 0)
        std::abort();
    ::close(fd);
}

// A whole image of random bytes, written out (no holes: a patch reads all of it).
void makeFullImage(const std::string& path, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kSmall));
    std::mt19937 random(seed);
    for (auto& byte : bytes)
        byte = std::uint8_t(random());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        std::abort();
    ::close(fd);
}

// quendle-stores run in this process, its streams /dev/null; gives its status.
int commandStatus(store::FileOps& ops, const std::vector<std::string>& arguments) {
    const cli::StandardStreams streams{::open("/dev/null", O_RDONLY), ::open("/dev/null", O_WRONLY),
                                       ::open("/dev/null", O_WRONLY)};
    const int status = cli::runQuendleStores(ops, arguments, streams);
    ::close(streams.input);
    ::close(streams.error);
    return status;
}

void command(store::FileOps& ops, const std::vector<std::string>& arguments) {
    if (commandStatus(ops, arguments) != cli::kSuccess)
        std::abort();
}

// A load's sequence, as the load command runs it once the text is read: the table
// read, the listed stores set, the changed ones written.
void loadStores(store::FileOps& ops, const std::string& path,
                const std::vector<text::ListedStore>& stores) {
    const cli::TableChange change =
        cli::readTableChange(ops, path, [&](const store::ImageFile&, store::Table table) {
            for (const text::ListedStore& store : stores)
                table[store.store] = store.ids;
            return table;
        });
    cli::writeTableChange(ops, path, change);
}

// A BPS action, as the format writes it.
enum { kSourceRead = 0, kSourceCopy = 2 };
void putAction(std::string& out, int mode, std::uint64_t length) {
    patch::putBpsNumber(out, ((length - 1) << 2) | std::uint64_t(mode));
}

// A BPS patch of a zeroed image of size bytes into itself, from its actions.
std::string zeroBps(std::uint64_t size, const std::string& actions) {
    std::string patch = "BPS1";
    patch::putBpsNumber(patch, size);
    patch::putBpsNumber(patch, size);
    patch::putBpsNumber(patch, 0);
    patch += actions;
    const std::vector<std::uint8_t> zeros(size);
    const auto crc = std::uint32_t(crc32(0L, zeros.data(), uInt(zeros.size())));
    for (int twice = 0; twice < 2; ++twice)
        for (int i = 0; i < 4; ++i)
            patch += char((crc >> (8 * i)) & 0xFF);
    const auto own =
        std::uint32_t(crc32(0L, reinterpret_cast<const Bytef*>(patch.data()), uInt(patch.size())));
    for (int i = 0; i < 4; ++i)
        patch += char((own >> (8 * i)) & 0xFF);
    return patch;
}

void writeFile(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        std::abort();
    ::close(fd);
}

// The least any load of a patch must do: read the image and the patch whole, and
// the image's CRC-32.
void floorOfPatch(const std::string& image, const std::string& patch) {
    std::vector<std::uint8_t> bytes;
    for (const auto& path : {image, patch}) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        bytes.resize(std::size_t(std::filesystem::file_size(path)));
        if (fd < 0 || ::pread(fd, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size()))
            std::abort();
        ::close(fd);
        if (path == image) {
            volatile uLong crc = crc32(0L, bytes.data(), uInt(bytes.size()));
            (void)crc;
        }
    }
}

} // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() / "bench_stores";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::vector<std::string> images;
    for (int i = 0; i < kImages; ++i) {
        images.push_back((dir / ("image" + std::to_string(i) + ".smc")).string());
        makeImage(images.back(), kSmall, i);
    }
    const int devNull = ::open("/dev/null", O_WRONLY);
    store::PosixFileOps ops;

    // The floor: the least any dump must do for each image: open it, learn its size
    // (which tells where its table lies), read the table, close it.
    const auto floorLoop = [&] {
        std::uint8_t table[kTableBytes];
        for (const auto& path : images) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            struct ::stat status {};
            if (fd < 0 || ::fstat(fd, &status) != 0 ||
                ::pread(fd, table, sizeof table, tableOffset(status.st_size)) < 0)
                std::abort();
            ::close(fd);
        }
    };
    // The dump's own work: the table read by the one reader of images (open, its
    // size for the layout, one pread, close), formatted with its names, and written
    // out.
    std::string text;
    const auto dumpLoop = [&] {
        for (const auto& path : images) {
            text::formatTableText(store::readImageTableOf(ops, path).table, text);
            if (::write(devNull, text.data(), text.size()) < 0)
                std::abort();
        }
    };
    // Rounds of the floor and of the dump taken in turn, so that both meet the same
    // machine; the ratio is the median of the rounds' ratios.
    floorLoop(); // warm the cache for both
    std::vector<double> floors, dumps, ratios;
    for (int r = 0; r < kRounds; ++r) {
        floors.push_back(cpuSeconds(floorLoop) / kImages);
        dumps.push_back(cpuSeconds(dumpLoop) / kImages);
        ratios.push_back(dumps.back() / floors.back());
    }
    const double floor = median(floors), dump = median(dumps), dumpRatio = median(ratios);

    const auto smallImage = (dir / "load-4MiB.smc").string();
    const auto largeImage = (dir / "load-256MiB.smc").string();
    makeImage(smallImage, kSmall, 1);
    makeImage(largeImage, kLarge, 1);
    int round = 0;
    const auto loadOne = [&](const std::string& path) {
        ++round; // a record that differs each time, so that it is written
        loadStores(ops, path, {{12, {std::uint8_t(round), 1, 2, 3, 4, 5, 6}}});
    };
    std::vector<double> smalls, larges, loadRatios;
    for (int r = 0; r < kLoadRounds; ++r) {
        smalls.push_back(cpuSeconds([&] { loadOne(smallImage); }));
        larges.push_back(cpuSeconds([&] { loadOne(largeImage); }));
        loadRatios.push_back(larges.back() / smalls.back());
    }
    const double loadSmall = median(smalls), loadLarge = median(larges);
    const double loadRatio = median(loadRatios);

    // Patches for a 4 MiB image: made from a clean image and an edited one, then
    // loaded back and forth (the second patch undoes the first, so each load writes).
    const auto clean = (dir / "clean.smc").string(), edited = (dir / "edited.smc").string();
    const auto work = (dir / "work.smc").string();
    makeFullImage(clean, 1);
    std::filesystem::copy_file(clean, edited);
    loadStores(ops, edited, {{12, {1, 2, 3, 4, 5, 6, 7}}, {40, {9, 9, 9, 9, 9, 9, 9}}});
    std::filesystem::copy_file(clean, work);
    struct PatchCost {
        double make = 0, load = 0;
    };
    const auto patchCost = [&](const char* format) {
        const auto forward = (dir / (std::string("forward.") + format)).string();
        const auto back = (dir / (std::string("back.") + format)).string();
        command(ops, {"patch", edited, clean, "-o", back});
        std::vector<double> makes, loads;
        for (int r = 0; r < kPatchRounds; ++r) {
            makes.push_back(cpuSeconds([&] {
                command(ops, {"patch", clean, edited, "-o", forward});
            }));
            loads.push_back(cpuSeconds([&] {
                                command(ops, {"load", work, forward});
                                command(ops, {"load", work, back});
                            }) /
                            2);
        }
        return PatchCost{median(makes), median(loads)};
    };
    const PatchCost ips = patchCost("ips"), bps = patchCost("bps");
    // zlib's own speed, over the image in memory.
    std::vector<std::uint8_t> whole(static_cast<std::size_t>(kSmall));
    std::vector<double> crcs;
    for (int r = 0; r < kPatchRounds; ++r)
        crcs.push_back(cpuSeconds([&] {
            volatile uLong crc = crc32(0L, whole.data(), uInt(whole.size()));
            (void)crc;
        }));
    const double zlibPerMiB = median(crcs) / (double(kSmall) / kMiB);
    // Making a BPS patch adds two CRC-32s over the image (source and target) to what
    // an IPS patch costs; per MiB of CRC-32:
    const double bpsCrcPerMiB = (bps.make - ips.make) / (2 * double(kSmall) / kMiB);

    // The worst patches that can be built for a 4 MiB image of zeros, beside the
    // floor of each: a SourceCopy reading 64 KiB away from where it writes, the most
    // actions a patch may hold (4,096 SourceCopies of 1 KiB, each 64 KiB away), and
    // patches of one-byte actions or run-length records up to the size limit, which
    // are refused once they pass the most a store patch needs, and a TargetRead that
    // runs past the target's end; and a TargetRead of the whole image, the largest
    // patch of it that is taken.
    const auto zeroImage = (dir / "zeros.sfc").string();
    const std::uint64_t zeroSize = std::uint64_t(kSmall);
    writeFile(zeroImage, std::string(zeroSize, '\0'));
    constexpr std::uint64_t kFar = 64 * 1024;
    const std::uint64_t step = zeroSize / patch::kMostBpsActions;
    std::string far;
    putAction(far, kSourceCopy, zeroSize - kFar);
    patch::putBpsNumber(far, kFar << 1);
    putAction(far, kSourceRead, kFar);
    std::string most;
    for (std::uint64_t written = 0, sourceAt = 0; written < zeroSize; written += step) {
        const std::uint64_t from = (written + kFar) % (zeroSize - step);
        putAction(most, kSourceCopy, step);
        patch::putBpsNumber(most, from >= sourceAt ? (from - sourceAt) << 1
                                                   : ((sourceAt - from) << 1) | 1);
        sourceAt = from + step;
    }
    const std::string oneByteReads(4 << 20, char(0x80)); // SourceRead of one byte each
    const std::uint64_t readLength = (std::uint64_t(16) << 20) - 64;
    std::string targetRead;
    putAction(targetRead, 1, readLength); // a TargetRead past the target's end
    targetRead += std::string(readLength, '\0');
    std::string wholeRead;
    putAction(wholeRead, 1, zeroSize); // the whole target from the patch
    wholeRead += std::string(zeroSize, '\0');
    std::string runLengths = "PATCH";
    while (runLengths.size() + 8 + 3 <= (std::size_t(16) << 20))
        runLengths += std::string("\x15\x76\xB9\x00\x00\x01\xC7\x42", 8);
    runLengths += "EOF";
    struct Worst {
        const char* name;
        std::string patch;
    };
    const std::vector<Worst> worst = {
        {"BPS: a SourceCopy 64 KiB away (taken)", zeroBps(zeroSize, far)},
        {"BPS: 4,096 SourceCopies 64 KiB away (taken)", zeroBps(zeroSize, most)},
        {"BPS: 4 MiB of one-byte SourceReads (refused)", zeroBps(zeroSize, oneByteReads)},
        {"BPS: 16 MiB of one-byte SourceReads (refused)",
         zeroBps(zeroSize, std::string((std::size_t(16) << 20) - 32, char(0x80)))},
        {"BPS: a TargetRead of the whole image (taken)", zeroBps(zeroSize, wholeRead)},
        {"BPS: a TargetRead of 16 MiB (refused)", zeroBps(zeroSize, targetRead)},
        {"IPS: 16 MiB of run-length records (refused)", runLengths},
    };
    struct WorstCost {
        double load = 0, floor = 0, ratio = 0;
    };
    std::vector<WorstCost> worstCosts;
    for (const Worst& one : worst) {
        const auto patchPath = (dir / "worst.patch").string();
        writeFile(patchPath, one.patch);
        std::vector<double> loads, floors, ratios;
        for (int r = 0; r < kPatchRounds; ++r) {
            floors.push_back(cpuSeconds([&] { floorOfPatch(zeroImage, patchPath); }));
            loads.push_back(cpuSeconds([&] {
                commandStatus(ops, {"load", zeroImage, patchPath});
            }));
            ratios.push_back(loads.back() / floors.back());
        }
        worstCosts.push_back({median(loads), median(floors), median(ratios)});
    }

    std::printf("%-52s %12s   %s\n", "operation (CPU time)", "per image", "target");
    std::printf("%-52s %9.2f us\n", "floor: open, fstat, one pread of 455 bytes, close",
                floor * 1e6);
    std::printf("%-52s %9.2f us\n", "dump: read, format with names, write out", dump * 1e6);
    std::printf("%-52s %9.2f      < 1.5\n", "dump / floor", dumpRatio);
    std::printf("%-52s %9.2f us\n", "load one store, 4 MiB image (with its fsync)",
                loadSmall * 1e6);
    std::printf("%-52s %9.2f us\n", "load one store, 256 MiB sparse image", loadLarge * 1e6);
    std::printf("%-52s %9.2f      < 1.2\n", "load 256 MiB / 4 MiB", loadRatio);
    std::printf("%-52s %9.2f us\n", "patch --format ips, 4 MiB image", ips.make * 1e6);
    std::printf("%-52s %9.2f us\n", "patch --format bps, 4 MiB image", bps.make * 1e6);
    std::printf("%-52s %9.2f us\n", "load an IPS patch, 4 MiB image (with its fsync)",
                ips.load * 1e6);
    std::printf("%-52s %9.2f us\n", "load a BPS patch, 4 MiB image (with its fsync)",
                bps.load * 1e6);
    std::printf("%-52s %9.2f us\n", "BPS's CRC-32, per MiB", bpsCrcPerMiB * 1e6);
    std::printf("%-52s %9.2f us\n", "zlib's crc32 over memory, per MiB", zlibPerMiB * 1e6);
    std::printf("\n%-52s %9s %9s %6s   %s\n", "worst patches, 4 MiB image (CPU time)", "load",
                "floor", "ratio", "target");
    for (std::size_t i = 0; i < worst.size(); ++i)
        std::printf("%-52s %6.2f ms %6.2f ms %6.2f   < 2\n", worst[i].name,
                    worstCosts[i].load * 1e3, worstCosts[i].floor * 1e3, worstCosts[i].ratio);
    ::close(devNull);
    std::filesystem::remove_all(dir);
    return 0;
}
