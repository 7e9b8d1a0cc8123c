#include "BadFiles.h"
#include "FileError.h"
#include "Fixtures.h"
#include "PlainView.h"
#include "Sentences.h"
#include "StoreRecords.h"

#include <filesystem>

using namespace store;
using namespace session;
using fixtures::BadFile;
using fixtures::FileOpsUnderTest;
using fixtures::Folder;
using fixtures::PlainView;
using tools::Image;

// Runs over the real file calls and over the scripted ones (see main).
class TestStoreRecords : public QObject {
    Q_OBJECT
public:
    explicit TestStoreRecords(FileOpsUnderTest files) : files_(files) {}

private slots:
    void cleanup() { QCOMPARE(files_.openLeft(), 0); }

    void readShowsPlainDecimalTexts() {
        Folder folder;
        Image image = Image::random(1);
        image.setRecord(64, {0, 1, 2, 128, 254, 255, 7});
        PlainView view = opened(folder.write("rom.smc", image), 64);
        QCOMPARE(view.slotTexts,
                 (std::array<std::string, 7>{"0", "1", "2", "128", "254", "255", "7"}));
        QCOMPARE(memory_.store, 64);
        QVERIFY(memory_.onDisk == image.record(64));
    }

    // Open reads store 0 and the marker where the image's layout puts them, and
    // remembers that layout; the twin of the other layout reads the same.
    void openingReadsStoreZeroAndTheMarker_data() { addLayoutColumn(); }
    void openingReadsStoreZeroAndTheMarker() {
        QFETCH(qint64, length);
        Folder folder;
        Image image = Image::random(2, length);
        image.setRecord(0, {1, 2, 3, 4, 5, 6, 7});
        image.setMarker(66, 111, 111);
        const auto read = readOpening(files_.ops, folder.write("rom.smc", image));
        QVERIFY(read.storeZero == (Record{1, 2, 3, 4, 5, 6, 7}));
        QVERIFY(read.marker == (MarkerBytes{66, 111, 111}));
        QCOMPARE(read.image.layout, image.layout());
    }

    void marker_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("third");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("possessed");
        QTest::newRow("Boo") << 66 << 111 << 111 << "66111111" << true;
        QTest::newRow("one off") << 66 << 111 << 110 << "66111110" << false;
        QTest::newRow("zeros") << 0 << 0 << 0 << "000" << false;
        QTest::newRow("all 255") << 255 << 255 << 255 << "255255255" << false;
        QTest::newRow("leading zero byte") << 0 << 66 << 111 << "066111" << false;
    }
    void marker() {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(int, third);
        QFETCH(QString, text);
        QFETCH(bool, possessed);
        PlainView view;
        const MarkerBytes bytes{std::uint8_t(first), std::uint8_t(second), std::uint8_t(third)};
        QCOMPARE(showMarker(view, bytes), possessed);
        QCOMPARE(QString::fromStdString(view.marker), text);
    }

    // On random bytes a store write changes its own seven bytes and nothing else,
    // and a read of the same store gives the texts back.
    void writeChangesExactlyItsRecord_data() {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<int>("store");
        for (const auto& layout : fixtures::kLayoutRows) {
            const qint64 length = layout.length;
            QTest::addRow("%s, first store", layout.name) << length << 0;
            QTest::addRow("%s, store 1", layout.name) << length << 1;
            QTest::addRow("%s, store 5", layout.name) << length << 5;
            QTest::addRow("%s, last store", layout.name) << length << 64;
        }
    }
    void writeChangesExactlyItsRecord() {
        QFETCH(qint64, length);
        QFETCH(int, store);
        Folder folder;
        const Image before = Image::random(100 + store, length);
        PlainView view = opened(folder.write("rom.smc", before), store);
        view.slotTexts = {"1", "2", "3", "0", "255", " 6 ", "6.5"};
        writeCurrentStore(view, files_.ops, memory_);

        Image expected = before;
        expected.setRecord(store, {1, 2, 3, 0, 255, 6, 6});
        const Image after = Image::load(view.path);
        QCOMPARE(after.bytes.size(), before.bytes.size());
        QVERIFY(after.bytes == expected.bytes);
        QVERIFY(memory_.onDisk == expected.record(store));

        readCurrentStore(view, files_.ops, memory_);
        QCOMPARE(view.slotTexts, (std::array<std::string, 7>{"1", "2", "3", "0", "255", "6", "6"}));
        writeCurrentStore(view, files_.ops, memory_); // a second save over the first
        QVERIFY(Image::load(view.path).bytes == expected.bytes);
    }

    // A record written, then the texts as read written back: every byte as before.
    void readThenWriteLeavesFileIdentical_data() { addLayoutColumn(); }
    void readThenWriteLeavesFileIdentical() {
        QFETCH(qint64, length);
        Folder folder;
        const Image before = Image::random(9, length);
        PlainView view = opened(folder.write("rom.smc", before), 33);
        const auto readTexts = view.slotTexts;
        // Another record goes in (so the save surely writes)...
        view.slotTexts = {"9", "8", "7", "6", "5", "4", "3"};
        writeCurrentStore(view, files_.ops, memory_);
        Image changed = before;
        changed.setRecord(33, {9, 8, 7, 6, 5, 4, 3});
        QVERIFY(Image::load(view.path).bytes == changed.bytes);
        // ...and the texts as read bring back every byte.
        view.slotTexts = readTexts;
        writeCurrentStore(view, files_.ops, memory_);
        QVERIFY(Image::load(view.path).bytes == before.bytes);
    }

    // Every refused write leaves the file byte-identical and says why.
    void refusedWriteWritesNothing_data() {
        QTest::addColumn<int>("selection");
        QTest::addColumn<int>("badSlot");
        QTest::addColumn<QString>("badText");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no store selected") << -1 << 0 << ""
                                           << "no store is selected";
        QTest::newRow("store 65") << 65 << 0 << ""
                                  << "no store is selected";
        QTest::newRow("another store than the one read") << 4 << 0 << ""
                                                         << "do not hold the record of store 4";
        QTest::newRow("slot 1 empty") << 3 << 1 << ""
                                      << "Slot 1 holds \"\", which";
        QTest::newRow("slot 7 text") << 3 << 7 << "abc"
                                     << "Slot 7 holds \"abc\", which";
        QTest::newRow("slot 4 too big") << 3 << 4 << "256"
                                        << "Slot 4 holds \"256\", which";
        QTest::newRow("slot 2 negative") << 3 << 2 << "-1"
                                         << "Slot 2 holds \"-1\", which";
        QTest::newRow("40 characters, quoted whole")
            << 3 << 5 << QString(40, QLatin1Char('x'))
            << QStringLiteral("Slot 5 holds \"%1\", which").arg(QString(40, QLatin1Char('x')));
        QTest::newRow("41 characters, cut")
            << 3 << 5 << QString(41, QLatin1Char('x'))
            << QStringLiteral("Slot 5 holds \"%1…\" (a text of 41 characters), which")
                   .arg(QString(40, QLatin1Char('x')));
        QTest::newRow("10,000 characters, cut")
            << 3 << 6 << QString(10000, QLatin1Char('7'))
            << QStringLiteral("Slot 6 holds \"%1…\" (a text of 10000 characters), which")
                   .arg(QString(40, QLatin1Char('7')));
        QTest::newRow("letters beyond ASCII, cut between characters")
            << 3 << 6 << QString(50, QChar(0x00E4))
            << QStringLiteral("Slot 6 holds \"%1…\" (a text of 50 characters), which")
                   .arg(QString(40, QChar(0x00E4)));
    }
    void refusedWriteWritesNothing() {
        QFETCH(int, selection);
        QFETCH(int, badSlot);
        QFETCH(QString, badText);
        QFETCH(QString, reason);
        Folder folder;
        const Image before = Image::random(11);
        PlainView view = opened(folder.write("rom.smc", before), 3);
        view.selection = selection;
        view.slotTexts = {"9", "9", "9", "9", "9", "9", "9"};
        if (badSlot)
            view.setSlotText(badSlot, badText.toStdString());
        const QString message = refusal(view);
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY2(message.contains("Nothing was written"), qPrintable(message));
        QVERIFY(message.size() < 400);
        QVERIFY(Image::load(view.path).bytes == before.bytes);
    }

    // Save writes only into the file that was read, and only over what was read.
    void writeRefusesAChangedImage_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("badFile"); // what the image becomes, for "bad file"
        QTest::addColumn<QString>("reason");
        QTest::newRow("another file renamed over the path")
            << "rename over" << 0 << "another file has taken its place";
        QTest::newRow("the store rewritten in place")
            << "rewrite store" << 0 << "another program has changed it";
        QTest::newRow("cut to the size of an image without a copier header")
            << "relayout" << 0
            << "has changed size since it was read: it is now an image without a copier "
               "header, and was an image with a 512-byte copier header";
        for (const auto& bad : fixtures::kBadFiles)
            if (bad.kind != BadFile::EmptyName && bad.kind != BadFile::ReadOnly)
                QTest::addRow("made %s", bad.row)
                    << "bad file" << int(bad.kind) << QString::fromLatin1(bad.reason);
    }
    void writeRefusesAChangedImage() {
        QFETCH(QString, change);
        QFETCH(int, badFile);
        QFETCH(QString, reason);
        Folder folder;
        const Image before = Image::random(13);
        PlainView view = opened(folder.write("rom.smc", before), 20);
        view.slotTexts = {"1", "2", "3", "4", "5", "6", "7"};
        Image now = before;
        if (change == "rename over") {
            std::filesystem::rename(folder.write("other.smc", before), view.path);
        } else if (change == "rewrite store") {
            now.set(slotPosition(20, 4), now.at(slotPosition(20, 4)) ^ 0xFF);
            now.save(view.path); // in place: the same file
        } else if (change == "relayout") {
            // The same file, 512 bytes shorter: its table now lies elsewhere.
            now.bytes.resize(now.bytes.size() - kCopierHeaderBytes);
            std::filesystem::resize_file(view.path, now.bytes.size());
        } else {
            std::string path = view.path;
            QVERIFY(fixtures::makeBadFile(BadFile(badFile), path));
            if (std::filesystem::is_regular_file(path))
                now = Image::load(path);
        }
        const QString message = refusal(view);
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY2(message.contains("Nothing was written"), qPrintable(message));
        if (std::filesystem::is_regular_file(view.path))
            QVERIFY(Image::load(view.path).bytes == now.bytes);
        if (change == "rewrite store") {
            // Reading the store again takes the change, and then Save writes.
            readCurrentStore(view, files_.ops, memory_);
            view.slotTexts = {"1", "2", "3", "4", "5", "6", "7"};
            writeCurrentStore(view, files_.ops, memory_);
            now.setRecord(20, {1, 2, 3, 4, 5, 6, 7});
            QVERIFY(Image::load(view.path).bytes == now.bytes);
        }
        if (change == "relayout") { // a read refuses it too, leaving the texts
            const auto texts = view.slotTexts;
            try {
                readCurrentStore(view, files_.ops, memory_);
                QFAIL("the store was read");
            } catch (const FileError& error) {
                QVERIFY2(QString::fromStdString(sentenceFor(error)).contains("Open it again"),
                         sentenceFor(error).c_str());
            }
            QCOMPARE(view.slotTexts, texts);
        }
    }

    void missingFileIsNeitherCreatedNorWritten() {
        Folder folder;
        PlainView view;
        view.path = folder.path("gone.smc");
        view.selection = 0;
        memory_.store = 0;
        QVERIFY_THROWS_EXCEPTION(FileError, writeCurrentStore(view, files_.ops, memory_));
        QVERIFY_THROWS_EXCEPTION(FileError, readCurrentStore(view, files_.ops, memory_));
        QVERIFY_THROWS_EXCEPTION(FileError, readOpening(files_.ops, view.path));
        QVERIFY(!std::filesystem::exists(view.path));
    }

    // A failed read leaves the texts and the memory as they were.
    void failedReadKeepsTexts() {
        Folder folder;
        PlainView view = opened(folder.write("rom.smc", Image::random(5)), 0);
        const auto texts = view.slotTexts;
        const auto memory = memory_;
        std::filesystem::resize_file(view.path, kTableLast - 1);
        view.selection = 1;
        QVERIFY_THROWS_EXCEPTION(FileError, readCurrentStore(view, files_.ops, memory_));
        view.selection = kNoStore;
        QVERIFY_THROWS_EXCEPTION(FileError, readCurrentStore(view, files_.ops, memory_));
        QCOMPARE(view.slotTexts, texts);
        QCOMPARE(memory_.store, memory.store);
        QVERIFY(memory_.onDisk == memory.onDisk);
    }

private:
    static void addLayoutColumn() {
        QTest::addColumn<qint64>("length");
        for (const auto& layout : fixtures::kLayoutRows)
            QTest::newRow(layout.name) << qint64(layout.length);
    }

    // A view over path after Open and a read of store, as the editor has them.
    PlainView opened(const std::string& path, int store) {
        PlainView view;
        view.path = path;
        view.selection = store;
        const auto read = readOpening(files_.ops, path);
        memory_ = {read.image, kFirstStore, read.storeZero};
        readCurrentStore(view, files_.ops, memory_);
        return view;
    }
    QString refusal(const PlainView& view) {
        try {
            writeCurrentStore(view, files_.ops, memory_);
        } catch (const FileError& error) {
            return QString::fromStdString(sentenceFor(error));
        }
        return QStringLiteral("(the write was accepted)");
    }

    FileOpsUnderTest files_;
    ImageMemory memory_;
};

int main(int argc, char** argv) {
    return fixtures::runOverBothFileOps<TestStoreRecords>(argc, argv);
}
#include "test_storerecords.moc"
