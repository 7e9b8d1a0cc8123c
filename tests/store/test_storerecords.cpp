#include "Fixtures.h"
#include "ImageError.h"
#include "StoreRecords.h"

#include <cerrno>
#include <filesystem>

using namespace store;
using fixtures::Folder;
using fixtures::PlainView;
using tools::Image;

class TestStoreRecords : public QObject {
    Q_OBJECT
private slots:
    void readShowsPlainDecimalTexts() {
        Folder folder;
        Image image = Image::random(1);
        image.setRecord(64, {0, 1, 2, 128, 254, 255, 7});
        PlainView view;
        view.path = folder.write("rom.smc", image);
        view.selection = 64;
        ReadCurrentStore(view);
        QCOMPARE(view.slotTexts,
                 (std::array<std::string, 7>{"0", "1", "2", "128", "254", "255", "7"}));
        QCOMPARE(ImageFile::openHandles(), 0);
    }

    void storeZeroReadUsesTheFirstRecord() {
        Folder folder;
        Image image = Image::random(2);
        image.setRecord(0, {1, 2, 3, 4, 5, 6, 7});
        auto file = ImageFile::open(folder.write("rom.smc", image));
        PlainView view;
        view.selection = 12; // not consulted
        ReadStoreZero(file, view);
        QCOMPARE(view.slotTexts, (std::array<std::string, 7>{"1", "2", "3", "4", "5", "6", "7"}));
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
        Folder folder;
        Image image = Image::random(3);
        image.setMarker(first, second, third);
        auto file = ImageFile::open(folder.write("rom.smc", image));
        PlainView view;
        QCOMPARE(ReadMarker(file, view), possessed);
        QCOMPARE(QString::fromStdString(view.marker), text);
    }

    // On random bytes a store write changes its own seven bytes and nothing else,
    // and a read of the same store gives the texts back.
    void writeChangesExactlyItsRecord_data() {
        QTest::addColumn<int>("store");
        QTest::newRow("first store") << 0;
        QTest::newRow("store 1") << 1;
        QTest::newRow("store 5") << 5;
        QTest::newRow("last store") << 64;
    }
    void writeChangesExactlyItsRecord() {
        QFETCH(int, store);
        Folder folder;
        const Image before = Image::random(100 + store);
        PlainView view;
        view.path = folder.write("rom.smc", before);
        view.selection = store;
        view.slotTexts = {"1", "2", "3", "0", "255", " 6 ", "6.5"};
        WriteCurrentStore(view);
        QCOMPARE(ImageFile::openHandles(), 0);

        Image expected = before;
        expected.setRecord(store, {1, 2, 3, 0, 255, 6, 6});
        const Image after = Image::load(view.path);
        QCOMPARE(after.bytes.size(), before.bytes.size());
        QVERIFY(after.bytes == expected.bytes);

        PlainView reader;
        reader.path = view.path;
        reader.selection = store;
        ReadCurrentStore(reader);
        QCOMPARE(reader.slotTexts,
                 (std::array<std::string, 7>{"1", "2", "3", "0", "255", "6", "6"}));
    }

    void readThenWriteLeavesFileIdentical() {
        Folder folder;
        const Image before = Image::random(9);
        PlainView view;
        view.path = folder.write("rom.smc", before);
        view.selection = 33;
        ReadCurrentStore(view);
        WriteCurrentStore(view);
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
        QTest::newRow("slot 1 empty") << 3 << 1 << ""
                                      << "Slot 1 holds \"\"";
        QTest::newRow("slot 7 text") << 3 << 7 << "abc"
                                     << "Slot 7 holds \"abc\"";
        QTest::newRow("slot 4 too big") << 3 << 4 << "256"
                                        << "Slot 4 holds \"256\"";
        QTest::newRow("slot 2 negative") << 3 << 2 << "-1"
                                         << "Slot 2 holds \"-1\"";
    }
    void refusedWriteWritesNothing() {
        QFETCH(int, selection);
        QFETCH(int, badSlot);
        QFETCH(QString, badText);
        QFETCH(QString, reason);
        Folder folder;
        const Image before = Image::random(11);
        PlainView view;
        view.path = folder.write("rom.smc", before);
        view.selection = selection;
        view.slotTexts = {"9", "9", "9", "9", "9", "9", "9"};
        if (badSlot)
            view.setSlotText(badSlot, badText.toStdString());
        try {
            WriteCurrentStore(view);
            QFAIL("the write was accepted");
        } catch (const ImageError& error) {
            const QString message = QString::fromUtf8(error.what());
            QVERIFY2(message.contains(reason), qPrintable(message));
            QVERIFY2(message.contains("Nothing was written"), qPrintable(message));
        }
        QCOMPARE(ImageFile::openHandles(), 0);
        QVERIFY(Image::load(view.path).bytes == before.bytes);
    }

    // A write that fails part-way puts back what it wrote when it can, and says
    // what the image holds; it never reports success, and never touches other bytes.
    void failedWriteIsUndone_data() {
        QTest::addColumn<int>("firstFailingWrite");
        QTest::addColumn<int>("failingWrites");
        QTest::addColumn<int>("flushError");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<bool>("fileUnchanged");
        QTest::newRow("first write, disk full") << 1 << 0 << 0 << "Nothing was written" << true;
        QTest::newRow("fourth write, once") << 4 << 1 << 0 << "put back" << true;
        QTest::newRow("last write, once") << 7 << 1 << 0 << "put back" << true;
        QTest::newRow("fourth write on, disk full") << 4 << 0 << 0 << "partly written" << false;
        QTest::newRow("flush fails") << 0 << 0 << EIO << "partly written" << false;
    }
    void failedWriteIsUndone() {
        QFETCH(int, firstFailingWrite);
        QFETCH(int, failingWrites);
        QFETCH(int, flushError);
        QFETCH(QString, outcome);
        QFETCH(bool, fileUnchanged);
        Folder folder;
        const Image before = Image::random(21);
        PlainView view;
        view.path = folder.write("rom.smc", before);
        view.selection = 40;
        view.slotTexts = {"1", "2", "3", "4", "5", "6", "7"};
        ImageFile::injectFaults({firstFailingWrite, failingWrites, ENOSPC, flushError});
        try {
            WriteCurrentStore(view);
            ImageFile::injectFaults({});
            QFAIL("the write reported success");
        } catch (const ImageError& error) {
            ImageFile::injectFaults({});
            const QString message = QString::fromUtf8(error.what());
            QVERIFY2(message.contains(outcome), qPrintable(message));
            QVERIFY2(message.contains(QString::fromStdString(view.path)), qPrintable(message));
        }
        QCOMPARE(ImageFile::openHandles(), 0);
        const Image after = Image::load(view.path);
        if (fileUnchanged) {
            QVERIFY(after.bytes == before.bytes);
        } else {
            Image outside = after; // every byte outside store 40's record is as it was
            outside.setRecord(40, before.record(40));
            QVERIFY(outside.bytes == before.bytes);
        }
    }

    void missingFileIsNeitherCreatedNorWritten() {
        Folder folder;
        PlainView view;
        view.path = folder.path("gone.smc");
        view.selection = 0;
        QVERIFY_THROWS_EXCEPTION(ImageError, WriteCurrentStore(view));
        QVERIFY_THROWS_EXCEPTION(ImageError, ReadCurrentStore(view));
        QVERIFY(!std::filesystem::exists(view.path));
    }

    // A failed read leaves the texts as they were.
    void failedReadKeepsTexts() {
        Folder folder;
        PlainView view;
        view.path = folder.write("short.smc", Image(kTableLast - 1));
        view.selection = 0;
        view.slotTexts = {"1", "2", "3", "4", "5", "6", "7"};
        const auto before = view.slotTexts;
        QVERIFY_THROWS_EXCEPTION(ImageError, ReadCurrentStore(view));
        QCOMPARE(view.slotTexts, before);
        view.selection = kNoStore;
        QVERIFY_THROWS_EXCEPTION(ImageError, ReadCurrentStore(view));
        QCOMPARE(view.slotTexts, before);
    }
};

QTEST_GUILESS_MAIN(TestStoreRecords)
#include "test_storerecords.moc"
