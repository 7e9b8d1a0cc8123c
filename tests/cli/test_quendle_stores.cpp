// The quendle-stores program, run as a script runs it: its output, its exit status,
// and every byte of the images it was given.
#include "Fixtures.h"
#include "TableFile.h"

#include <QProcess>
#include <QRegularExpression>
#include <filesystem>

using fixtures::Folder;
using tools::Image;

namespace {

constexpr int kEqual = 0, kDifferent = 1, kTrouble = 2;

struct Run {
    int status = -1;
    QString out, err;
};

Run run(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    process.start(QStringLiteral(QUENDLE_STORES), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QString at(const Folder& folder, const char* name) {
    return QString::fromStdString(folder.path(name));
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
        const Run dump = run({"dump", at(folder, "source.smc"), "-o", at(folder, "dump.txt")});
        QCOMPARE(dump.status, kEqual);
        const Run load = run({"load", at(folder, "target.smc"), at(folder, "dump.txt")});
        QCOMPARE(load.status, kEqual);
        QVERIFY2(load.err.contains("65 of 65 listed stores changed"), qPrintable(load.err));
        Image expected = target;
        for (int s = 0; s < store::kStoreCount; ++s)
            expected.setRecord(s, source.record(s));
        QVERIFY(Image::load(folder.path("target.smc")).bytes == expected.bytes);
        QCOMPARE(run({"diff", at(folder, "source.smc"), at(folder, "target.smc")}).status, kEqual);
        // Its own dump loaded back changes nothing, byte for byte.
        const Run again = run({"load", at(folder, "source.smc"), at(folder, "dump.txt")});
        QVERIFY2(again.err.contains("nothing was written"), qPrintable(again.err));
        QVERIFY(Image::load(folder.path("source.smc")).bytes == source.bytes);
    }

    // Standard input and output as "-": dump | load, and a dump read from a pipe.
    void pipes() {
        Folder folder;
        const Image source = Image::random(5), target = Image::random(6);
        folder.write("source.smc", source);
        folder.write("target.smc", target);
        const Run dump = run({"dump", at(folder, "source.smc")});
        const Run load = run({"load", at(folder, "target.smc"), "-"}, dump.out.toUtf8());
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
        const Run dry = run({"load", at(folder, "rom.smc"), "-", "--dry-run"}, text.toUtf8());
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
        const Run load = run({"load", at(folder, "rom.smc"), at(folder, "edit.txt")});
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
        const Run differ = run({"diff", at(folder, "a.smc"), at(folder, "b.smc")});
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

    void show() {
        Folder folder;
        Image image = Image::random(10);
        image.setRecord(12, {22, 213, 229, 0, 254, 255, 1});
        folder.write("rom.smc", image);
        const Run one = run({"show", at(folder, "rom.smc"), "12"});
        QCOMPARE(one.status, kEqual);
        QCOMPARE(one.out, QStringLiteral("store 12  Burglin Park Egg Stand\n"
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
            << QStringList{"dump", "@rom", "--fast"} << "unknown option '--fast'";
        QTest::newRow("too many operands") << QStringList{"dump", "@rom", "@rom"} << "too many";
        QTest::newRow("load into standard input")
            << QStringList{"load", "-", "@text"} << "cannot load into standard input";
        QTest::newRow("dump over the image itself")
            << QStringList{"dump", "@rom", "-o", "@rom"} << "the image itself";
        QTest::newRow("a short image") << QStringList{"load", "@short", "@text"} << "too short";
        QTest::newRow("a missing image")
            << QStringList{"load", "@missing", "@text"} << "No such file";
        QTest::newRow("a missing text")
            << QStringList{"load", "@rom", "@missing"} << "No such file";
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
        for (QString& argument : arguments) {
            if (argument == "@rom")
                argument = at(folder, "rom.smc");
            else if (argument == "@short")
                argument = at(folder, "short.smc");
            else if (argument == "@text")
                argument = at(folder, "edit.txt");
            else if (argument == "@missing")
                argument = at(folder, "missing.smc");
        }
        const Run refused = run(arguments);
        QCOMPARE(refused.status, kTrouble);
        QVERIFY2(refused.err.contains(error), qPrintable(refused.err));
        QVERIFY(Image::load(folder.path("rom.smc")).bytes == image.bytes);
        QCOMPARE(std::filesystem::file_size(folder.path("short.smc")),
                 std::uintmax_t(store::kTableLast - 1));
        QVERIFY(!std::filesystem::exists(folder.path("missing.smc")));
    }

    void helpAndVersion() {
        const Run help = run({"--help"});
        QCOMPARE(help.status, kEqual);
        QVERIFY(help.out.startsWith(QStringLiteral("Usage: quendle-stores COMMAND")));
        const Run version = run({"--version"});
        QCOMPARE(version.status, kEqual);
        QCOMPARE(version.out, QStringLiteral("quendle-stores %1\n").arg(QUENDLE_VERSION));
    }
};

QTEST_GUILESS_MAIN(TestQuendleStores)
#include "test_quendle_stores.moc"
