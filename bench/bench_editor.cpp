// Benchmarks of the editor's own work, run offscreen with the dialogs answered by a
// script: the window built with fillLists, a store choice cascade, Save with its
// flush, and OpenRom on a 4 MiB and on a 256 MiB sparse image. Prints wall and CPU
// time per operation, the median of several rounds, beside the targets.
#include "EditorWindow.h"
#include "FakeModals.h"
#include "ImageMaker.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
double wallSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

struct Timing {
    double wall, cpu; // seconds per operation
};

// Median over `rounds` rounds of `perRound` calls.
Timing measure(int rounds, int perRound, const std::function<void()>& operation) {
    operation(); // warm up
    std::vector<double> walls, cpus;
    for (int r = 0; r < rounds; ++r) {
        const double w0 = wallSeconds(), c0 = cpuSeconds();
        for (int i = 0; i < perRound; ++i)
            operation();
        walls.push_back((wallSeconds() - w0) / perRound);
        cpus.push_back((cpuSeconds() - c0) / perRound);
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

void report(const char* what, Timing t, const char* target) {
    std::printf("%-38s %10.1f us wall %10.1f us CPU   %s\n", what, t.wall * 1e6, t.cpu * 1e6,
                target);
}

// A sparse image of `length` bytes holding the demo's store table.
std::string sparseImage(const QTemporaryDir& dir, const char* name, std::int64_t length) {
    const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
    const auto demo = tools::Image::demo();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, length) != 0)
        std::abort();
    const auto first = store::kTableFirst - 1;
    if (::pwrite(fd, demo.bytes.data() + first, store::kTableLast - first, first) < 0)
        std::abort();
    ::close(fd);
    return path;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    FakeModals modals;
    store::PosixFileOps files;

    std::printf("%-38s %24s %17s   %s\n", "operation", "per operation", "", "target");
    report("start-up: window built, its lists filled",
           measure(7, 3, [&] { EditorWindow form(modals, files); }), "< 20 ms");

    const auto small = sparseImage(dir, "4MiB.smc", 4LL << 20);
    const auto large = sparseImage(dir, "256MiB.smc", 256LL << 20);
    EditorWindow form(modals, files);
    auto open = [&](const std::string& path) {
        modals.fileAnswers.push_back(QString::fromStdString(path));
        form.openRom();
    };

    open(small);
    int store = 0;
    report("store choice cascade (by number)",
           measure(9, 200,
                   [&] {
                       store = (store + 1) % 65;
                       form.storeNumberList()->setCurrentIndex(store);
                       emit form.storeNumberList()->activated(store);
                   }),
           "< 100 us CPU");
    report("Save, with its flush to disk", measure(5, 20, [&] { form.save(); }), "");
    const QString saved = form.slotField(6)->text();
    form.slotField(6)->setText(QString(1000000, QLatin1Char('7')));
    report("Save refusing a 1,000,000-character text", measure(5, 3, [&] { form.save(); }),
           "well under 1 s");
    form.slotField(6)->setText(saved);

    const Timing openSmall = measure(9, 50, [&] { open(small); });
    const Timing openLarge = measure(9, 50, [&] { open(large); });
    report("OpenRom, 4 MiB image", openSmall, "");
    report("OpenRom, 256 MiB sparse image", openLarge, "");
    std::printf("%-38s %10.2f (wall) %9.2f (CPU)          < 1.2\n", "OpenRom 256 MiB / 4 MiB",
                openLarge.wall / openSmall.wall, openLarge.cpu / openSmall.cpu);
    modals.clear();
    return 0;
}
