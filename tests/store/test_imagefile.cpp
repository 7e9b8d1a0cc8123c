#include "Fixtures.h"
#include "ImageError.h"
#include "ImageFile.h"

#include <QFile>
#include <filesystem>
#include <unistd.h>

using namespace store;
using fixtures::Folder;
using tools::Image;

class TestImageFile : public QObject {
    Q_OBJECT
private slots:
    void slotPositions_data() {
        QTest::addColumn<int>("store");
        QTest::addColumn<int>("slot");
        QTest::addColumn<qint64>("position");
        QTest::newRow("store 0 slot 1") << 0 << 1 << qint64(1407162);
        QTest::newRow("store 0 slot 7") << 0 << 7 << qint64(1407168);
        QTest::newRow("store 1 slot 1") << 1 << 1 << qint64(1407169);
        QTest::newRow("store 5 slot 1") << 5 << 1 << qint64(1407197);
        QTest::newRow("store 64 slot 1") << 64 << 1 << qint64(1407610);
        QTest::newRow("store 64 slot 7") << 64 << 7 << qint64(1407616);
    }
    void slotPositions() {
        QFETCH(int, store);
        QFETCH(int, slot);
        QFETCH(qint64, position);
        QCOMPARE(slotPosition(store, slot), position);
        QVERIFY(inTable(position));
    }

    void bytesAroundTableBelongToNoStore() {
        QVERIFY(!inTable(1407161));
        QVERIFY(!inTable(1407617));
        QCOMPARE(kTableLast - kTableFirst + 1, Position(455));
    }

    // Reads see the byte at the 1-based position, i.e. the 0-based offset minus one.
    void readsOneBasedPositions() {
        Folder folder;
        Image image;
        image.set(1, 0xA1);
        image.set(kTableFirst, 0xB2);
        image.set(kTableLast, 0xC3);
        image.set(image.bytes.size(), 0xD4);
        const auto path = folder.write("rom.smc", image);
        auto file = ImageFile::open(path);
        QCOMPARE(file.readByte(1), std::uint8_t(0xA1));
        QCOMPARE(file.readByte(kTableFirst), std::uint8_t(0xB2));
        QCOMPARE(file.readByte(kTableLast), std::uint8_t(0xC3));
        QCOMPARE(file.readByte(Position(image.bytes.size())), std::uint8_t(0xD4));
        QVERIFY_THROWS_EXCEPTION(ImageError, file.readByte(Position(image.bytes.size()) + 1));
        QVERIFY_THROWS_EXCEPTION(ImageError, file.readByte(0));
    }

    // Opening refuses what is not a whole image; it never creates a file.
    void openRefuses_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty name") << "empty"
                                    << "No ROM image";
        QTest::newRow("missing") << "missing"
                                 << "No such file";
        QTest::newRow("directory") << "directory"
                                   << "not a regular file";
        QTest::newRow("0 bytes") << "0"
                                 << "too short";
        QTest::newRow("66002 bytes") << "66002"
                                     << "too short";
        QTest::newRow("one short of the table") << "1407615"
                                                << "too short";
    }
    void openRefuses() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        Folder folder;
        std::string path = folder.path("rom.smc");
        if (kind == "empty")
            path.clear();
        else if (kind == "directory")
            std::filesystem::create_directory(path);
        else if (kind != "missing")
            folder.write("rom.smc", Image(kind.toLongLong()));
        try {
            ImageFile::open(path);
            QFAIL("open accepted it");
        } catch (const ImageError& error) {
            const QString message = QString::fromUtf8(error.what());
            QVERIFY2(message.contains(reason), qPrintable(message));
            QVERIFY2(message.contains(QString::fromStdString(path)), qPrintable(message));
        }
        QCOMPARE(ImageFile::openHandles(), 0);
        if (kind == "missing")
            QVERIFY(!std::filesystem::exists(path));
    }

    void openRefusesReadOnlyFile() {
        Folder folder;
        const auto path = folder.write("rom.smc", Image());
        std::filesystem::permissions(path, std::filesystem::perms::owner_read);
        if (::access(path.c_str(), W_OK) == 0)
            QSKIP("this user may write to read-only files (root)");
        QVERIFY_THROWS_EXCEPTION(ImageError, ImageFile::open(path));
    }

    void fileOfExactlyTheTableEndOpens() {
        Folder folder;
        const auto path = folder.write("rom.smc", Image(kTableLast));
        auto file = ImageFile::open(path);
        QCOMPARE(file.length(), kTableLast);
        file.writeByte(kTableLast, 9);
        file.close();
        QCOMPARE(std::filesystem::file_size(path), std::uintmax_t(kTableLast));
    }

    // Writes land only inside the store table: a write elsewhere changes nothing.
    void writesOutsideTableAreRefused_data() {
        QTest::addColumn<qint64>("position");
        QTest::newRow("first byte") << qint64(1);
        QTest::newRow("marker") << qint64(66001);
        QTest::newRow("just before the table") << qint64(kTableBase);
        QTest::newRow("just after the table") << qint64(kTableLast + 1);
        QTest::newRow("past the end") << qint64(kDemoLength() + 1);
    }
    void writesOutsideTableAreRefused() {
        QFETCH(qint64, position);
        Folder folder;
        const Image image = Image::random(7);
        const auto path = folder.write("rom.smc", image);
        {
            auto file = ImageFile::open(path);
            QVERIFY_THROWS_EXCEPTION(ImageError, file.writeByte(position, 0x55));
        }
        QCOMPARE(Image::load(path).bytes, image.bytes);
    }

    void oneHandleAtATimeAndClosedOnEveryPath() {
        Folder folder;
        const auto path = folder.write("rom.smc", Image());
        {
            auto file = ImageFile::open(path);
            QCOMPARE(ImageFile::openHandles(), 1);
            QVERIFY_THROWS_EXCEPTION(ImageError, ImageFile::open(path));
            QCOMPARE(ImageFile::openHandles(), 1);
        }
        QCOMPARE(ImageFile::openHandles(), 0);
        auto file = ImageFile::open(path);
        file.close();
        file.close();
        QCOMPARE(ImageFile::openHandles(), 0);
        QVERIFY_THROWS_EXCEPTION(ImageError, file.readByte(1));
    }

private:
    static qint64 kDemoLength() { return tools::kDemoImageLength; }
};

QTEST_GUILESS_MAIN(TestImageFile)
#include "test_imagefile.moc"
