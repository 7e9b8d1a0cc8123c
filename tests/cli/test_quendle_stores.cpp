// The quendle-stores program, run as a script runs it: its output, its exit status,
// and every byte of the images it was given.
#include "Fixtures.h"
#include "StoreTable.h"

#include <QProcess>
#include <QRegularExpression>
#include <filesystem>
#include <sys/stat.h>

using fixtures::Folder;
using tools::Image;

namespace {

constexpr int kEqual = 0, kDifferent = 1, kTrouble = 2;

struct Outcome {
    int status = -1;
    QString out, err;
};

Outcome run(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(QStringLiteral(QUENDLE_STORES), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// A run whose standard input and output are the files named (empty: a pipe), output
// appended to when append is set.
Outcome runWith(const QStringList& arguments, const QString& inputFile, const QString& outputFile,
                bool append = false) {
    QProcess process;
    if (!inputFile.isEmpty())
        process.setStandardInputFile(inputFile);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile, append ? QIODevice::Append : QIODevice::Truncate);
    process.start(QStringLiteral(QUENDLE_STORES), arguments);
    if (inputFile.isEmpty())
        process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString at(const Folder& folder, const char* name) {
    return QString::fromStdString(folder.path(name));
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestQuendleStores : public QObject {
    Q_OBJECT
private slots:
    // dump of a random image, loaded into another random image: the table arrives,
    // and every other byte of the other image stays as it was.
    void roundTrips_data() {
        QTest::addColumn<uint>("seed");
        for (uint seed : {1u, 2u, 3u, 4u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void roundTrips() {
        QFETCH(uint, seed);
        Folder folder;
        const Image source = Image::random(seed), target = Image::random(seed + 100);
        folder.write("source.smc", source);
        folder.write("target.smc", target);
        const Outcome dump = run({"dump", at(folder, "source.smc"), "-o", at(folder, "dump.txt")});
        QCOMPARE(dump.status, kEqual);
        const Outcome load = run({"load", at(folder, "target.smc"), at(folder, "dump.txt")});
        QCOMPARE(load.status, kEqual);
        QVERIFY2(load.err.contains("65 of 65 listed stores changed"), qPrintable(load.err));
        Image expected = target;
        for (int s = 0; s < store::kStoreCount; ++s)
            expected.setRecord(s, source.record(s));
        QVERIFY(Image::load(folder.path("target.smc")).bytes == expected.bytes);
        QCOMPARE(run({"diff", at(folder, "source.smc"), at(folder, "target.smc")}).status, kEqual);
        // Its own dump loaded back changes nothing, byte for byte.
        const Outcome again = run({"load", at(folder, "source.smc"), at(folder, "dump.txt")});
        QVERIFY2(again.err.contains("nothing was written"), qPrintable(again.err));
        QVERIFY(Image::load(folder.path("source.smc")).bytes == source.bytes);
    }

    // Standard input and output as "-": dump | load, and a dump read from a pipe.
    void pipes() {
        Folder folder;
        const Image source = Image::random(5), target = Image::random(6);
        folder.write("source.smc", source);
        folder.write("target.smc", target);
        const Outcome dump = run({"dump", at(folder, "source.smc")});
        const Outcome load = run({"load", at(folder, "target.smc"), "-"}, dump.out.toUtf8());
        QCOMPARE(load.status, kEqual);
        QCOMPARE(run({"diff", "-", at(folder, "target.smc")}, dump.out.toUtf8()).status, kEqual);
        const QByteArray image(reinterpret_cast<const char*>(source.bytes.data()),
                               qsizetype(source.bytes.size()));
        QCOMPARE(run({"dump", "-"}, image).out, dump.out);
    }

    // A text that lists some stores changes only their bytes, in one write per run.
    void aSubsetChangesOnlyItsStores() {
        Folder folder;
        const Image before = Image::random(7);
        folder.write("rom.smc", before);
        const QString text = QStringLiteral("quendle-stores-table 1\n# three stores\n"
                                            "12 1 2 3 4 5 6 7  # names are not read\n"
                                            "13 0 0 0 0 0 0 0\n64 255 255 255 255 255 255 255\n");
        const Outcome dry = run({"load", at(folder, "rom.smc"), "-", "--dry-run"}, text.toUtf8());
        QCOMPARE(dry.status, kEqual);
        QVERIFY(dry.out.startsWith(QStringLiteral("store 12 (Burglin Park Egg Stand) slot 1: ")));
        QVERIFY(Image::load(folder.path("rom.smc")).bytes == before.bytes); // a dry run
        QCOMPARE(run({"load", at(folder, "rom.smc"), "-"}, text.toUtf8()).status, kEqual);
        Image expected = before;
        expected.setRecord(12, {1, 2, 3, 4, 5, 6, 7});
        expected.setRecord(13, {0, 0, 0, 0, 0, 0, 0});
        expected.setRecord(64, {255, 255, 255, 255, 255, 255, 255});
        QVERIFY(Image::load(folder.path("rom.smc")).bytes == expected.bytes);
        // The dry run listed exactly the slots that the load then changed.
        QCOMPARE(dry.out, run({"diff", "-", at(folder, "rom.smc")},
                              QByteArray(reinterpret_cast<const char*>(before.bytes.data()),
                                         qsizetype(before.bytes.size())))
                              .out);
    }

    // Every kind of bad text is refused with its line number and what was expected,
    // and the image stays byte-identical.
    void badTextsWriteNothing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        const QString head = QStringLiteral("quendle-stores-table 1\n0 1 1 1 1 1 1 1\n");
        QTest::newRow("no format line") << "0 1 2 3 4 5 6 7\n"
                                        << ":1: \"0 1 2 3 4 5 6 7\": expected the format line";
        QTest::newRow("another version") << "quendle-stores-table 9\n"
                                         << ":1: ";
        QTest::newRow("unknown store") << head + "65 1 2 3 4 5 6 7\n"
                                       << ":3: \"65\": expected a store number";
        QTest::newRow("missing id") << head + "1 1 2 3\n"
                                    << ":3: \"1 1 2 3\": expected 7 item ids";
        QTest::newRow("extra id") << head + "1 1 2 3 4 5 6 7 8\n"
                                  << ":3: \"8\": expected 7 item ids";
        QTest::newRow("id out of range") << head + "1 1 2 3 4 5 6 300\n"
                                         << ":3: \"300\": expected an item id from 0 to 255";
        QTest::newRow("store twice") << head + "\n0 2 2 2 2 2 2 2\n"
                                     << ":4: \"0\": expected each store at most once";
        QTest::newRow("a good line after a bad one is not written either")
            << QStringLiteral("quendle-stores-table 1\n1 x 1 1 1 1 1 1\n2 9 9 9 9 9 9 9\n")
            << ":2: \"x\"";
    }
    void badTextsWriteNothing() {
        QFETCH(QString, text);
        QFETCH(QString, error);
        Folder folder;
        const Image before = Image::random(8);
        folder.write("rom.smc", before);
        std::filesystem::path file(folder.path("edit.txt"));
        QFile out(QString::fromStdString(file.string()));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(text.toUtf8());
        out.close();
        const Outcome load = run({"load", at(folder, "rom.smc"), at(folder, "edit.txt")});
        QCOMPARE(load.status, kTrouble);
        QVERIFY2(load.err.contains(at(folder, "edit.txt") + error), qPrintable(load.err));
        QVERIFY2(load.err.contains("nothing was written"), qPrintable(load.err));
        QVERIFY(Image::load(folder.path("rom.smc")).bytes == before.bytes);
    }

    // diff: one line a differing slot, and diff's exit statuses.
    void diffs() {
        Folder folder;
        Image a = Image::random(9);
        a.setRecord(12, {191, 202, 213, 224, 235, 246, 3});
        Image b = a;
        b.set(store::slotPosition(12, 3), 5);
        b.set(store::slotPosition(40, 7), a.at(store::slotPosition(40, 7)) ^ 1);
        folder.write("a.smc", a);
        folder.write("b.smc", b);
        const Outcome differ = run({"diff", at(folder, "a.smc"), at(folder, "b.smc")});
        QCOMPARE(differ.status, kDifferent);
        const QStringList lines = differ.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0],
                 QStringLiteral("store 12 (Burglin Park Egg Stand) slot 3: 213 Big league "
                                "bat -> 5 Broken gadget"));
        QVERIFY(lines[1].startsWith(QStringLiteral("store 40 (Scaraba Drugstore) slot 7: ")));
        QCOMPARE(run({"diff", at(folder, "a.smc"), at(folder, "a.smc")}).status, kEqual);
        // A dump on either side, and a dump of some stores only.
        run({"dump", at(folder, "a.smc"), "-o", at(folder, "a.txt")});
        QCOMPARE(run({"diff", at(folder, "a.txt"), at(folder, "b.smc")}).out, differ.out);
        const QString some = QStringLiteral("quendle-stores-table 1\n40 0 0 0 0 0 0 0\n");
        const auto record40 = b.record(40);
        QCOMPARE(run({"diff", at(folder, "b.smc"), "-"}, some.toUtf8()).out.count('\n'),
                 7 - int(std::count(record40.begin(), record40.end(), 0)));
        QCOMPARE(run({"diff", at(folder, "a.smc"), at(folder, "missing.smc")}).status, kTrouble);
        QCOMPARE(run({"diff", at(folder, "a.smc")}).status, kTrouble);
        // A diff of two dumps reads as the changed stores' lines.
        run({"dump", at(folder, "b.smc"), "-o", at(folder, "b.txt")});
        QFile ta(at(folder, "a.txt")), tb(at(folder, "b.txt"));
        QVERIFY(ta.open(QIODevice::ReadOnly) && tb.open(QIODevice::ReadOnly));
        const QStringList la = QString::fromUtf8(ta.readAll()).split('\n');
        const QStringList lb = QString::fromUtf8(tb.readAll()).split('\n');
        QStringList changed;
        for (int i = 0; i < la.size(); ++i)
            if (la[i] != lb[i])
                changed << lb[i].left(2);
        QCOMPARE(changed, QStringList({"12", "40"}));
    }

    // show names the layout it found, then reads the table where that layout puts it.
    void show_data() {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QString>("layout");
        QTest::newRow("copier header")
            << qint64(tools::kDemoImageLength) << "image: 512-byte copier header\n";
        QTest::newRow("no header")
            << qint64(tools::kHeaderlessImageLength) << "image: no copier header\n";
        QTest::newRow("neither layout's size")
            << qint64(store::kTableLast)
            << "image: a size of neither layout, read as with a 512-byte copier header\n";
    }
    void show() {
        QFETCH(qint64, length);
        QFETCH(QString, layout);
        Folder folder;
        Image image = Image::random(10, length);
        image.setRecord(12, {22, 213, 229, 0, 254, 255, 1});
        folder.write("rom.smc", image);
        const Outcome one = run({"show", at(folder, "rom.smc"), "12"});
        QCOMPARE(one.status, kEqual);
        QCOMPARE(one.out, layout + "\n" +
                              QStringLiteral("store 12  Burglin Park Egg Stand\n"
                                             "  slot   id  item\n"
                                             "     1   22  Big league bat\n"
                                             "     2  213  Big league bat\n"
                                             "     3  229  Lucky sandwich\n"
                                             "     4    0  Null\n"
                                             "     5  254  null\n"
                                             "     6  255  null\n"
                                             "     7    1  Franklin badge\n"));
        const QRegularExpression storeLine(QStringLiteral("^store \\d+  "),
                                           QRegularExpression::MultilineOption);
        QCOMPARE(run({"show", at(folder, "rom.smc")}).out.count(storeLine), 65);
        QCOMPARE(run({"show", at(folder, "rom.smc"), "65"}).status, kTrouble);
    }

    // Usage errors and refused images: status 2, a message, and nothing written.
    void refusals_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("no command") << QStringList{} << "no command";
        QTest::newRow("unknown command") << QStringList{"undo"} << "unknown command 'undo'";
        QTest::newRow("unknown option")
            << QStringList{"dump", "@rom", "--fast"}
            << "quendle-stores: unrecognized option '--fast'\nTry 'quendle-stores --help' for "
               "more information.\n";
        QTest::newRow("too many operands")
            << QStringList{"dump", "@rom", "@rom"} << "extra operand '";
        QTest::newRow("--help with an operand")
            << QStringList{"--help", "extra"} << "extra operand 'extra'";
        QTest::newRow("--version with an operand")
            << QStringList{"--version", "extra"} << "extra operand 'extra'";
        QTest::newRow("a command's --help with an operand")
            << QStringList{"dump", "--help", "@rom"} << "extra operand '";
        QTest::newRow("-o twice") << QStringList{"dump", "@rom", "-o", "@out", "-o", "@out2"}
                                  << "more than once";
        QTest::newRow("-o without a file")
            << QStringList{"dump", "@rom", "-o"} << "option requires an argument -- 'o'";
        QTest::newRow("--dry-run is load's")
            << QStringList{"dump", "@rom", "--dry-run"} << "unrecognized option '--dry-run'";
        QTest::newRow("a store number past 64")
            << QStringList{"show", "@rom", "065"} << "\"065\": expected a store number";
        QTest::newRow("a hard link of the image as the output")
            << QStringList{"dump", "@rom", "-o", "@hardlink"} << "input file is output file";
        QTest::newRow("the image through a symbolic link as the output")
            << QStringList{"dump", "@rom", "-o", "@symlink"} << "input file is output file";
        QTest::newRow("load into standard input")
            << QStringList{"load", "-", "@text"} << "cannot load into standard input";
        QTest::newRow("dump over the image itself")
            << QStringList{"dump", "@rom", "-o", "@rom"} << "input file is output file";
        QTest::newRow("a short image") << QStringList{"load", "@short", "@text"} << "too short";
        QTest::newRow("a missing image")
            << QStringList{"load", "@missing", "@text"} << "No such file";
        QTest::newRow("a missing text")
            << QStringList{"load", "@rom", "@missing"} << "No such file";
        // An operand of the wrong kind is named in one line, and nothing is written.
        QTest::newRow("load's operands swapped")
            << QStringList{"load", "@text", "@rom"}
            << "rom.smc\": is a ROM image, not a store table text or a patch (load takes the "
               "image first: load IMAGE FILE); nothing was written\n";
        QTest::newRow("diff given a patch")
            << QStringList{"diff", "@rom", "@ips"}
            << "stores.ips\": is an IPS patch, not a ROM image or a store table text ('load "
               "IMAGE PATCH --dry-run' shows what a patch changes)\n";
        QTest::newRow("dump of a patch")
            << QStringList{"dump", "@bps"} << "stores.bps\": is a BPS patch, not a ROM image";
        QTest::newRow("dump of a text")
            << QStringList{"dump", "@text"} << "edit.txt\": is a store table text, not a ROM image";
        QTest::newRow("a patch as the source of a patch")
            << QStringList{"patch", "@ips", "@rom"} << "stores.ips\": is an IPS patch";
        QTest::newRow("an -o of another patch format")
            << QStringList{"patch", "@rom", "@rom", "-o", "@out.ups"}
            << "names a patch of another format (.ups)";
        QTest::newRow("an -o of another patch format, upper case")
            << QStringList{"patch", "@rom", "@rom", "-o", "@out.XDELTA"}
            << "names a patch of another format (.xdelta)";
    }
    void refusals() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        Folder folder;
        const Image image = Image::random(11);
        folder.write("rom.smc", image);
        folder.write("short.smc", Image(store::kTableLast - 1));
        QFile text(at(folder, "edit.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("quendle-stores-table 1\n0 1 2 3 4 5 6 7\n");
        text.close();
        writeFile(at(folder, "stores.ips"), QByteArray("PATCH\x15\x76\xB9\x00\x01\x09"
                                                       "EOF",
                                                       14));
        writeFile(at(folder, "stores.bps"), QByteArray("BPS1\x80\x80\x80", 7));
        std::filesystem::create_hard_link(folder.path("rom.smc"), folder.path("hard.smc"));
        std::filesystem::create_symlink(folder.path("rom.smc"), folder.path("link.smc"));
        for (QString& argument : arguments) {
            if (argument == "@rom")
                argument = at(folder, "rom.smc");
            else if (argument == "@short")
                argument = at(folder, "short.smc");
            else if (argument == "@text")
                argument = at(folder, "edit.txt");
            else if (argument == "@ips")
                argument = at(folder, "stores.ips");
            else if (argument == "@bps")
                argument = at(folder, "stores.bps");
            else if (argument == "@missing")
                argument = at(folder, "missing.smc");
            else if (argument == "@hardlink")
                argument = at(folder, "hard.smc");
            else if (argument == "@symlink")
                argument = at(folder, "link.smc");
            else if (argument.startsWith("@out"))
                argument = at(folder, argument.mid(1).toUtf8().constData());
        }
        const Outcome refused = run(arguments);
        QCOMPARE(refused.status, kTrouble);
        QVERIFY2(refused.err.contains(error), qPrintable(refused.err));
        QVERIFY2(refused.err.count('\n') <= 2, qPrintable(refused.err)); // a line, and --help's
        QVERIFY(Image::load(folder.path("rom.smc")).bytes == image.bytes);
        QCOMPARE(std::filesystem::file_size(folder.path("short.smc")),
                 std::uintmax_t(store::kTableLast - 1));
        QVERIFY(!std::filesystem::exists(folder.path("missing.smc")));
        QVERIFY(!std::filesystem::exists(folder.path("out")));
        QVERIFY(!std::filesystem::exists(folder.path("out2")));
        for (const char* other : {"out.ups", "out.XDELTA"})
            QVERIFY(!std::filesystem::exists(folder.path(other)));
        QVERIFY(refused.out.isEmpty());
    }

    // Standard input and the output are the same file, however they are named: the
    // command refuses, and the image keeps every byte.
    void inputIsNeverOutput_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("input"); // standard input's file, or none
        QTest::addColumn<bool>("appendToImage");
        QTest::newRow("dump - -o IMAGE < IMAGE")
            << QStringList{"dump", "-", "-o", "@rom"} << "@rom" << false;
        QTest::newRow("dump - -o /dev/fd/0 < IMAGE")
            << QStringList{"dump", "-", "-o", "/dev/fd/0"} << "@rom" << false;
        QTest::newRow("dump IMAGE >> IMAGE") << QStringList{"dump", "@rom"} << "" << true;
        QTest::newRow("show IMAGE >> IMAGE") << QStringList{"show", "@rom"} << "" << true;
        QTest::newRow("load IMAGE TEXT --dry-run >> IMAGE")
            << QStringList{"load", "@rom", "@text", "--dry-run"} << "" << true;
        QTest::newRow("load IMAGE PATCH --dry-run >> IMAGE")
            << QStringList{"load", "@rom", "@ips", "--dry-run"} << "" << true;
        QTest::newRow("load IMAGE - --dry-run >> IMAGE < PATCH")
            << QStringList{"load", "@rom", "-", "--dry-run"} << "@ips" << true;
        QTest::newRow("load X X, X a patch as long as an image")
            << QStringList{"load", "@both", "@both"} << "" << false;
    }
    void inputIsNeverOutput() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, input);
        QFETCH(bool, appendToImage);
        Folder folder;
        const Image image = Image::random(12);
        const QString rom = QString::fromStdString(folder.write("rom.smc", image));
        const QString text = at(folder, "edit.txt"), ips = at(folder, "stores.ips");
        writeFile(text, "quendle-stores-table 1\n0 1 2 3 4 5 6 7\n");
        writeFile(ips, QByteArray("PATCH\x15\x76\xB9\x00\x01\x09"
                                  "EOF",
                                  14));
        // A valid IPS patch of run-length records, each filling store 0's first slot,
        // as long as an image of neither layout's size: a patch and an image at once.
        QByteArray both("PATCH");
        const QByteArray record("\x15\x78\xB9\x00\x00\x00\x01\x2A", 8);
        while (both.size() + 3 < store::kTableLast)
            both += record;
        both += "EOF";
        const QString bothPath = at(folder, "both.ips");
        writeFile(bothPath, both);
        for (QString& argument : arguments)
            argument = argument == "@rom"    ? rom
                       : argument == "@text" ? text
                       : argument == "@ips"  ? ips
                       : argument == "@both" ? bothPath
                                             : argument;
        const QString inputFile = input == "@rom" ? rom : input == "@ips" ? ips : QString();
        const Outcome refused =
            runWith(arguments, inputFile, appendToImage ? rom : QString(), true);
        QCOMPARE(refused.status, kTrouble);
        QVERIFY2(refused.err.contains("input file is output file"), qPrintable(refused.err));
        QVERIFY(Image::load(rom.toStdString()).bytes == image.bytes);
        QFile same(bothPath);
        QVERIFY(same.open(QIODevice::ReadOnly));
        QVERIFY(same.readAll() == both);
    }

    // -o naming an open descriptor writes into it as a shell redirection does:
    // appended to where the shell appends, into a pipe, never replaced; and one that
    // is an input is refused.
    void outputsNamedByDescriptor_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("patch") << "patch";
        QTest::newRow("dump") << "dump";
    }
    void outputsNamedByDescriptor() {
        QFETCH(QString, command);
        Folder folder;
        const Image image = Image::random(14);
        const QString rom = QString::fromStdString(folder.write("rom.smc", image));
        Image other = image;
        other.setRecord(3, {1, 2, 3, 4, 5, 6, 7});
        const QString hack = QString::fromStdString(folder.write("hack.smc", other));
        const QStringList arguments =
            command == "patch" ? QStringList{"patch", rom, hack} : QStringList{"dump", rom};
        // Into a pipe (as QProcess reads it), under every name of standard output.
        const auto bytesOut = [](const QStringList& words) {
            QProcess process;
            process.start(QStringLiteral(QUENDLE_STORES), words);
            process.closeWriteChannel();
            return process.waitForFinished(30000) && process.exitCode() == kEqual
                       ? process.readAllStandardOutput()
                       : QByteArray("(failed)");
        };
        const QByteArray piped = bytesOut(arguments);
        QVERIFY(piped != "(failed)" && !piped.isEmpty());
        for (const char* name : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"})
            QCOMPARE(bytesOut(arguments + QStringList{"-o", name}), piped);
        // Appended to a log, which stays the same file with its old content.
        const QString log = at(folder, "log");
        writeFile(log, "old\n");
        struct ::stat before {};
        ::stat(log.toUtf8().constData(), &before);
        for (const char* name : {"/dev/stdout", "/dev/fd/1"})
            QCOMPARE(runWith(arguments + QStringList{"-o", name}, {}, log, true).status, kEqual);
        struct ::stat after {};
        ::stat(log.toUtf8().constData(), &after);
        QCOMPARE(after.st_ino, before.st_ino);
        QFile appended(log);
        QVERIFY(appended.open(QIODevice::ReadOnly));
        QCOMPARE(appended.readAll(), "old\n" + piped + piped);
        // Opened read-write on the image itself (1<>): refused, the image whole.
        QProcess shell;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("IMAGE", rom);
        shell.setProcessEnvironment(environment);
        shell.start("bash", QStringList{"-c", "exec \"$0\" \"$@\" -o /dev/stdout 1<>\"$IMAGE\"",
                                        QStringLiteral(QUENDLE_STORES)} +
                                arguments);
        QVERIFY(shell.waitForFinished(30000));
        QCOMPARE(shell.exitCode(), kTrouble);
        QVERIFY2(shell.readAllStandardError().contains("input file is output file"), "1<>");
        QVERIFY(Image::load(rom.toStdString()).bytes == image.bytes);
    }

    // -o writes what it names as a careful tool does: a symbolic link's target is
    // replaced (the link stays, the target keeps its mode), a device or a FIFO is
    // written into and never replaced, a legal long name works, and no temporary
    // file stays behind.
    void outputTargets() {
        Folder folder;
        const Image image = Image::random(13);
        const QString rom = QString::fromStdString(folder.write("rom.smc", image));
        const QString dump = run({"dump", rom}).out;

        const std::string target = folder.path("private.txt"), link = folder.path("link.txt");
        {
            QFile file(QString::fromStdString(target));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old\n");
        }
        std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_write);
        std::filesystem::create_symlink("private.txt", link);
        QCOMPARE(run({"dump", rom, "-o", QString::fromStdString(link)}).status, kEqual);
        QVERIFY(std::filesystem::is_symlink(link));
        QCOMPARE(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        QFile written(QString::fromStdString(target));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(written.readAll()), dump);

        QCOMPARE(run({"dump", rom, "-o", "/dev/null"}).status, kEqual);
        QVERIFY(std::filesystem::is_character_file("/dev/null"));
        const Outcome full = run({"dump", rom, "--output=/dev/full"});
        QCOMPARE(full.status, kTrouble);
        QVERIFY2(full.err.contains("No space left on device"), qPrintable(full.err));
        QVERIFY(std::filesystem::is_character_file("/dev/full"));

        const std::string fifo = folder.path("fifo");
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        QProcess reader;
        reader.start("cat", {QString::fromStdString(fifo)});
        QVERIFY(reader.waitForStarted());
        QCOMPARE(run({"dump", rom, "-o" + QString::fromStdString(fifo)}).status, kEqual);
        QVERIFY(reader.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()), dump);
        QVERIFY(std::filesystem::is_fifo(fifo));

        const std::string longName = folder.path(std::string(250, 'n').c_str());
        QCOMPARE(run({"dump", "-o", QString::fromStdString(longName), "--", rom}).status, kEqual);
        QCOMPARE(std::filesystem::file_size(longName), std::uintmax_t(dump.toUtf8().size()));
        for (const auto& entry : std::filesystem::directory_iterator(folder.path(".")))
            QVERIFY2(!entry.path().filename().string().starts_with(".qs"), entry.path().c_str());
    }

    // Every command checks its standard output: on a full disk it fails with the
    // reason and status 2.
    void fullStandardOutput_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("--help") << QStringList{"--help"};
        QTest::newRow("--version") << QStringList{"--version"};
        QTest::newRow("dump --help") << QStringList{"dump", "--help"};
        QTest::newRow("dump") << QStringList{"dump", "@rom"};
        QTest::newRow("show") << QStringList{"show", "@rom"};
        QTest::newRow("load --dry-run") << QStringList{"load", "@rom", "@text", "--dry-run"};
        QTest::newRow("diff, different") << QStringList{"diff", "@rom", "@other"};
    }
    void fullStandardOutput() {
        QFETCH(QStringList, arguments);
        Folder folder;
        arguments.replaceInStrings("@rom", at(folder, "rom.smc"));
        arguments.replaceInStrings("@other", at(folder, "other.smc"));
        arguments.replaceInStrings("@text", at(folder, "edit.txt"));
        folder.write("rom.smc", Image::random(14));
        folder.write("other.smc", Image::random(15));
        QFile text(at(folder, "edit.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("quendle-stores-table 1\n0 1 2 3 4 5 6 7\n");
        text.close();
        const Outcome full = runWith(arguments, {}, "/dev/full");
        QCOMPARE(full.status, kTrouble);
        QCOMPARE(full.err,
                 QStringLiteral("quendle-stores: write error: No space left on device\n"));
    }

    // One rule tells a text from an image, whatever its size: its first line that is
    // neither blank nor a comment. A byte order mark and CR LF line ends are read.
    void textOrImage_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("lineEnd");
        const QByteArray comments = "# " + QByteArray(5000, 'c') + "\n\n   # more\n";
        QTest::newRow("5 KB of comments first") << comments << QByteArray() << QByteArray("\n");
        QTest::newRow("a text larger than the image's table end")
            << QByteArray() << ("# " + QByteArray(1500000, 'z') + "\n") << QByteArray("\n");
        QTest::newRow("a byte order mark")
            << QByteArray("\xEF\xBB\xBF") << QByteArray() << QByteArray("\n");
        QTest::newRow("CR LF") << QByteArray() << QByteArray() << QByteArray("\r\n");
    }
    void textOrImage() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, lineEnd);
        Folder folder;
        Image image = Image::random(16);
        const QString rom = QString::fromStdString(folder.write("rom.smc", image));
        const QByteArray text =
            before + "quendle-stores-table 1" + lineEnd + "12 1 2 3 4 5 6 7" + lineEnd + after;
        QFile file(at(folder, "edit.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        image.setRecord(12, {1, 2, 3, 4, 5, 6, 7});
        const QString expected = run({"diff", rom, at(folder, "edit.txt")}).out;
        QCOMPARE(run({"diff", rom, "-"}, text).out, expected);
        QCOMPARE(expected.count('\n'), 7 - int([&] {
                                           int same = 0;
                                           const auto r = Image::random(16).record(12);
                                           for (int k = 0; k < 7; ++k)
                                               same += r[k] == k + 1;
                                           return same;
                                       }()));
        QCOMPARE(run({"load", rom, at(folder, "edit.txt")}).status, kEqual);
        QVERIFY(Image::load(rom.toStdString()).bytes == image.bytes);
    }

    // Reports are bounded: a text of many bad lines gives the first 100 errors, a
    // count of the rest, and its total.
    void manyErrorsAreCounted() {
        Folder folder;
        const Image image = Image::random(17);
        const QString rom = QString::fromStdString(folder.write("rom.smc", image));
        QByteArray text = "quendle-stores-table 1\n";
        for (int i = 0; i < 5000; ++i)
            text += "1 1 1 1 1 1 1 x\n";
        const Outcome load = run({"load", rom, "-"}, text);
        QCOMPARE(load.status, kTrouble);
        const QStringList lines = load.err.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 102);
        // Each line's "x", and each line after the first lists store 1 again.
        QCOMPARE(lines[100], QStringLiteral("quendle-stores: standard input: 9899 more errors not "
                                            "shown"));
        QCOMPARE(lines[101], QStringLiteral("quendle-stores: standard input: 9999 errors; nothing "
                                            "was written"));
        QVERIFY(Image::load(rom.toStdString()).bytes == image.bytes);
    }

    // Bytes from a text or a name never reach the terminal raw.
    void untrustedBytesAreEscaped() {
        Folder folder;
        const Image image = Image::random(18);
        const QString rom = QString::fromStdString(folder.write("rom.smc", image));
        const QByteArray text = QByteArray("quendle-stores-table 1\n1 \x1b[31m 2 3 4 5 6 7\n2 ") +
                                QByteArray("\x1b]0;title\x07", 10) + " 1 1 1 1 1 1\n3 " +
                                QByteArray("a\0b", 3) +
                                " 1 1 1 1 1 1\n4 \x80\xC2\x9B 1 1 1 1 1 1\n";
        const Outcome load = run({"load", rom, "-"}, text);
        QCOMPARE(load.status, kTrouble);
        for (char c : load.err.toLatin1())
            QVERIFY2(c == '\n' || (c >= 0x20 && c != 0x7f), qPrintable(load.err));
        QVERIFY2(load.err.contains("\"\\033[31m\""), qPrintable(load.err));
        QVERIFY2(load.err.contains("\"\\033]0;title\\007\""), qPrintable(load.err));
        QVERIFY2(load.err.contains("\"a\\0b\""), qPrintable(load.err));
        QVERIFY2(load.err.contains("\"\\x80\\xC2\\x9B\""), qPrintable(load.err));
        const Outcome missing = run({"dump", rom + "\x1b[2J"});
        QVERIFY2(missing.err.contains("rom.smc\\033[2J\": cannot open: No such file"),
                 qPrintable(missing.err));
        QVERIFY(!missing.err.contains('\x1b'));
    }

    // Numbers read alike in a text and on the command line; one voice for messages.
    void numbersAndWords() {
        Folder folder;
        Image image = Image::random(19);
        image.setRecord(12, {1, 2, 3, 4, 5, 6, 7});
        const QString rom = QString::fromStdString(folder.write("rom.smc", image));
        const Outcome leading = run({"show", rom, "012"});
        QCOMPARE(leading.status, kEqual);
        QVERIFY(leading.out.contains("\n\nstore 12  Burglin Park Egg Stand\n"));
        QCOMPARE(run({"load", rom, "-"}, "quendle-stores-table 1\n012 001 2 3 4 5 6 007\n").status,
                 kEqual);
        const Outcome bad = run({"load", rom, "-"}, "nonsense\n");
        QVERIFY2(bad.err.startsWith("quendle-stores: standard input:1: "), qPrintable(bad.err));
        for (const QString& line : bad.err.split('\n', Qt::SkipEmptyParts))
            QVERIFY2(line.startsWith("quendle-stores: "), qPrintable(line));
        const Outcome missing =
            run({"load", at(folder, "no.smc"), "-"}, "quendle-stores-table 1\n");
        QVERIFY2(
            missing.err.startsWith(
                QStringLiteral("quendle-stores: \"%1\": cannot open").arg(at(folder, "no.smc"))),
            qPrintable(missing.err));
    }

    // An image on a pipe is read to its end, which tells its layout; it must reach
    // its table's end: one byte less is refused. The dump of an image and of its
    // twin of the other layout are the same, from a pipe or a file.
    void imagesOnPipes() {
        Folder folder;
        const Image image = Image::random(20);
        const auto bytesOf = [](const Image& one) {
            return QByteArray(reinterpret_cast<const char*>(one.bytes.data()),
                              qsizetype(one.bytes.size()));
        };
        const QByteArray whole = bytesOf(image);
        const Outcome all = run({"dump", "-"}, whole.left(store::kTableLast));
        QCOMPARE(all.status, kEqual);
        const Outcome cut = run({"show", "-"}, whole.left(store::kTableLast - 1));
        QCOMPARE(cut.status, kTrouble);
        QVERIFY2(cut.err.contains("standard input: too short to be the ROM image"),
                 qPrintable(cut.err));

        const Outcome headered = run({"dump", "-"}, whole);
        const Outcome headerless = run({"dump", "-"}, bytesOf(image.withoutHeader()));
        QCOMPARE(headered.status, kEqual);
        QCOMPARE(headerless.status, kEqual);
        QCOMPARE(headerless.out, headered.out);
        folder.write("twin.sfc", image.withoutHeader());
        QCOMPARE(run({"dump", at(folder, "twin.sfc")}).out, headered.out);
        QVERIFY(run({"show", "-"}, bytesOf(image.withoutHeader()))
                    .out.startsWith("image: no copier header\n"));
    }

    void helpAndVersion() {
        const Outcome help = run({"--help"});
        QCOMPARE(help.status, kEqual);
        QVERIFY(help.out.startsWith(QStringLiteral("Usage: quendle-stores COMMAND")));
        for (const char* command : {"dump", "load", "diff", "show"}) {
            const Outcome one = run({command, "--help"});
            QCOMPARE(one.status, kEqual);
            QVERIFY2(one.out.startsWith(QStringLiteral("Usage: quendle-stores %1 ").arg(command)),
                     qPrintable(one.out));
        }
        const Outcome version = run({"--version"});
        QCOMPARE(version.status, kEqual);
        QCOMPARE(version.out, QStringLiteral("quendle-stores %1\n").arg(QUENDLE_VERSION));
    }
};

QTEST_GUILESS_MAIN(TestQuendleStores)
#include "test_quendle_stores.moc"
