// quendle-stores' commands run in the process over the scripted file layer: every
// file call of every command fails in turn (or is interrupted, or cut short), and
// then the image is as it was or holds exactly the listed stores, an output file
// holds its old content or the whole new text with no temporary file left, the
// status is 2 with a message that says what failed, and nothing says "written"
// unless it was. Also: a signal during a write to -o FILE leaves no temporary file.
#include "Commands.h"
#include "Fixtures.h"
#include "Output.h"
#include "TableLoad.h"
#include "TableText.h"

#include <QDir>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/wait.h>

using fixtures::Folder;
using tools::Image;
using Call = ScriptedFileOps::Call;
using Fault = ScriptedFileOps::Fault;

namespace {

constexpr char kOldOutput[] = "the old content of the output file\n";
const char* const kCommands[] = {
    "dump -o", "dump",     "load",     "load --dry-run",     "diff text", "diff image",
    "show",    "load ips", "load bps", "load bps --dry-run", "patch -o"};

// The image every scene starts from, made once for each length.
const Image& before(std::int64_t length = tools::kDemoImageLength) {
    static std::map<std::int64_t, Image> made;
    auto found = made.find(length);
    if (found == made.end())
        found = made.emplace(length, Image::random(21, length)).first;
    return found->second;
}

// The stores the text lists: 12 and 13 changed, 40 as it is.
std::string listedText(const Image& image) {
    std::string text = "quendle-stores-table 1\n12 1 2 3 4 5 6 7\n13 9 9 9 9 9 9 9\n40";
    for (auto id : image.record(40))
        text += " " + std::to_string(id);
    return text + "\n";
}

Image loaded(Image image) {
    image.setRecord(12, {1, 2, 3, 4, 5, 6, 7});
    image.setRecord(13, {9, 9, 9, 9, 9, 9, 9});
    return image;
}

std::string readFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

void writeFile(const std::string& path, const std::string& text) {
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.data(), qint64(text.size()));
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// The IPS and BPS patches that make an image of length bytes the loaded one, made by
// the command over the plain file calls, once for each length.
const std::pair<std::string, std::string>& patchesOfTheChange(std::int64_t length) {
    static std::map<std::int64_t, std::pair<std::string, std::string>> made;
    auto found = made.find(length);
    if (found != made.end())
        return found->second;
    Folder folder;
    const std::string rom = folder.write("rom.smc", before(length));
    const std::string target = folder.write("target.smc", loaded(before(length)));
    const std::string ips = folder.path("edit.ips"), bps = folder.path("edit.bps");
    store::PosixFileOps plain;
    for (const std::string& patch : {ips, bps}) {
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (cli::runQuendleStores(plain, {"patch", rom, target, "-o", patch},
                                  {null, ::dup(null), ::dup(null)}) != cli::kSuccess)
            qFatal("the patches of the change could not be made");
        ::close(null);
    }
    return made[length] = {readFile(ips), readFile(bps)};
}

// One command, run in a folder that holds rom.smc, edit.txt and out.txt.
class Scene {
public:
    explicit Scene(std::int64_t length = tools::kDemoImageLength) {
        rom = folder.write("rom.smc", before(length));
        text = folder.path("edit.txt");
        output = folder.path("out.txt");
        writeFile(text, listedText(before(length)));
        // Patches of the same change, made once by the command.
        target = folder.write("target.smc", loaded(before(length)));
        ips = folder.path("edit.ips");
        bps = folder.path("edit.bps");
        const auto& [ipsBytes, bpsBytes] = patchesOfTheChange(length);
        writeFile(ips, ipsBytes);
        writeFile(bps, bpsBytes);
        writeFile(output, kOldOutput);
    }

    std::vector<std::string> arguments(const QString& command) const {
        if (command == "dump -o")
            return {"dump", rom, "-o", output};
        if (command == "dump")
            return {"dump", rom};
        if (command == "load")
            return {"load", rom, text};
        if (command == "load --dry-run")
            return {"load", "--dry-run", rom, text};
        if (command == "diff text")
            return {"diff", text, rom};
        if (command == "diff image")
            return {"diff", rom, rom};
        if (command == "load ips")
            return {"load", rom, ips};
        if (command == "load bps")
            return {"load", rom, bps};
        if (command == "load bps --dry-run")
            return {"load", rom, bps, "--dry-run"};
        if (command == "patch -o")
            return {"patch", rom, target, "-o", output};
        return {"show", rom, "12"};
    }

    Outcome run(const QString& command) {
        const std::string outPath = folder.path("stdout"), errPath = folder.path("stderr");
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        files.unscripted = {err};
        Outcome outcome;
        outcome.status = cli::runQuendleStores(files, arguments(command), {in, out, err});
        ::close(err);
        ::close(in);
        outcome.out = readFile(outPath);
        outcome.err =
            QString::fromStdString(readFile(errPath))
                .replace(QDir(QString::fromStdString(folder.path("."))).absolutePath(), "@")
                .toStdString();
        return outcome;
    }

    bool temporaryFileLeft() const {
        for (const auto& entry : std::filesystem::directory_iterator(folder.path(".")))
            if (entry.path().filename().string().starts_with(".qs"))
                return true;
        return false;
    }

    Folder folder;
    std::string rom, text, output, target, ips, bps;
    ScriptedFileOps files;
};

} // namespace

class TestCommandFaults : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(std::signal(SIGPIPE, SIG_IGN) != SIG_ERR); }

    // The one reader of images: after the read of its first bytes that tells what it
    // is, an image's table is one read where its layout puts it.
    void anImageTableIsOneRead_data() {
        QTest::addColumn<qint64>("length");
        for (const auto& layout : fixtures::kLayoutRows)
            QTest::newRow(layout.name) << qint64(layout.length);
    }
    void anImageTableIsOneRead() {
        QFETCH(qint64, length);
        Scene scene(length);
        const Outcome dumped = scene.run("dump");
        QCOMPARE(dumped.status, cli::kSuccess);
        store::Table table{};
        for (int s = store::kFirstStore; s <= store::kLastStore; ++s)
            table[s] = before(length).record(s);
        QCOMPARE(dumped.out, text::formatTableText(table));
        QCOMPARE(std::count(scene.files.log.begin(), scene.files.log.end(), Call::Pread), 2);
    }

    void sweep_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("call");
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("error");
        for (const char* command : kCommands) {
            Scene scene;
            const Outcome clean = scene.run(command);
            QVERIFY2(clean.status == cli::kSuccess || clean.status == cli::kDifferent,
                     clean.err.c_str());
            const std::vector<Call> calls = scene.files.log;
            for (std::size_t i = 0; i < calls.size(); ++i) {
                const int n = int(i + 1);
                const char* name = ScriptedFileOps::name(calls[i]);
                QTest::addRow("%s, call %d (%s) fails", command, n, name)
                    << command << n << int(Fault::Error) << EIO;
                QTest::addRow("%s, call %d (%s) is interrupted", command, n, name)
                    << command << n << int(Fault::Error) << EINTR;
                if (ScriptedFileOps::canBeShort(calls[i]))
                    QTest::addRow("%s, call %d (%s) is short", command, n, name)
                        << command << n << int(Fault::Short) << 0;
                if (calls[i] == Call::Write || calls[i] == Call::Pwrite)
                    QTest::addRow("%s, call %d (%s) finds the disk full", command, n, name)
                        << command << n << int(Fault::Error) << ENOSPC;
            }
        }
    }
    void sweep() {
        QFETCH(QString, command);
        QFETCH(int, call);
        QFETCH(int, fault);
        QFETCH(int, error);
        Scene clean, scene;
        const Outcome expected = clean.run(command);
        scene.files.add({call, {}, Fault(fault), error});
        const Outcome got = scene.run(command);
        QVERIFY(scene.files.fired);
        const QString said = QString::fromStdString(got.err);

        // The image: as it was, or exactly the listed stores new.
        const auto now = Image::load(scene.rom).bytes;
        const bool asBefore = now == before().bytes;
        const bool loads = command.startsWith("load") && !command.endsWith("--dry-run");
        QVERIFY2(asBefore || (loads && now == loaded(before()).bytes), qPrintable(said));
        if (asBefore)
            QVERIFY2(!said.contains("written and flushed") && !said.contains(", written"),
                     qPrintable(said));
        else
            QVERIFY2(got.status == cli::kSuccess || said.contains("written and flushed"),
                     qPrintable(said));

        // The output file: old or whole, and no temporary file beside it.
        const std::string output = readFile(scene.output);
        QVERIFY2(output == kOldOutput || output == readFile(clean.output), output.c_str());
        QVERIFY(!scene.temporaryFileLeft());
        QCOMPARE(scene.files.openDescriptors(), 0);

        if (got.status == expected.status && got.out == expected.out &&
            output == readFile(clean.output) && got.err == expected.err)
            return; // retried, or a failure that changes nothing (an input's close)
        // Otherwise: trouble, said with the reason.
        QCOMPARE(got.status, cli::kTrouble);
        const QString reason = fault == int(Fault::Short) ? QString() : std::strerror(error);
        QVERIFY2(said.startsWith("quendle-stores: ") && said.contains(reason), qPrintable(said));
        // Only standard output's close comes after the output file is in place.
        if (output != kOldOutput)
            QVERIFY2(said.contains("write error") && !said.contains("unchanged"), qPrintable(said));
    }

    // A load that changes nothing reads through a read-only open: a read-only image
    // (for a user who may not write it) is no obstacle.
    void aLoadThatChangesNothingWritesNothing() {
        Scene scene;
        const Image image = before();
        writeFile(
            scene.text, "quendle-stores-table 1\n40" + [&] {
                std::string ids;
                for (auto id : image.record(40))
                    ids += " " + std::to_string(id);
                return ids;
            }() + "\n");
        std::filesystem::permissions(scene.rom, std::filesystem::perms::owner_read);
        const Outcome got = scene.run("load");
        QCOMPARE(got.status, cli::kSuccess);
        QVERIFY2(QString::fromStdString(got.err).contains("0 of 1 listed stores changed; nothing "
                                                          "was written"),
                 got.err.c_str());
        for (int flags : scene.files.openFlags)
            QCOMPARE(flags & O_ACCMODE, O_RDONLY);
    }

    // A signal that arrives while the text goes to the temporary file removes it; the
    // output file keeps its old content, and the program dies of the signal.
    void signalsRemoveTheTemporaryFile_data() {
        QTest::addColumn<int>("signal");
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            QTest::addRow("%s", strsignal(signal)) << signal;
    }
    void signalsRemoveTheTemporaryFile() {
        QFETCH(int, signal);
        Scene scene;
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            std::signal(SIGPIPE, SIG_DFL);
            cli::removeTemporaryFilesOnSignals();
            scene.files.beforeCall(Call::Write, 1, [signal] { ::raise(signal); });
            scene.run("dump -o");
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), signal);
        QCOMPARE(readFile(scene.output), std::string(kOldOutput));
        QVERIFY(!scene.temporaryFileLeft());
    }
};

QTEST_GUILESS_MAIN(TestCommandFaults)
#include "test_commandfaults.moc"
