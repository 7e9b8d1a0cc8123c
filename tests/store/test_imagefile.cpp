#include "BadFiles.h"
#include "FileError.h"
#include "Fixtures.h"
#include "ImageFile.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace store;
using fixtures::BadFile;
using fixtures::FileOpsUnderTest;
using fixtures::Folder;
using tools::Image;

// Runs over the real file calls and over the scripted ones (see main).
class TestImageFile : public QObject {
    Q_OBJECT
public:
    explicit TestImageFile(FileOpsUnderTest files) : files_(files) {}

private slots:
    void cleanup() { QCOMPARE(files_.openLeft(), 0); }

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

    // The layout from the size alone, and where it puts the table and the marker.
    void layouts_data() {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("layout");
        QTest::addColumn<qint64>("tableFirst");
        QTest::addColumn<qint64>("tableLast");
        QTest::addColumn<qint64>("marker");
        const auto headered = int(Layout::CopierHeader), headerless = int(Layout::NoHeader),
                   other = int(Layout::OtherSize);
        // 1-based positions: the hexadecimal offsets plus one.
        QTest::newRow("4 MiB + 512") << qint64(4194816) << headered << qint64(0x1578B9 + 1)
                                     << qint64(0x157A7F + 1) << qint64(0x101D0 + 1);
        QTest::newRow("the fewest headered bytes that hold the table")
            << qint64(1375 * 1024 + 512) << headered << qint64(1407162) << qint64(1407616)
            << qint64(66001);
        QTest::newRow("3 MiB") << qint64(3145728) << headerless << qint64(0x1576B9 + 1)
                               << qint64(0x15787F + 1) << qint64(0xFFD0 + 1);
        QTest::newRow("43 banks") << qint64(43 * 32768) << headerless << qint64(1406650)
                                  << qint64(1407104) << qint64(65489);
        QTest::newRow("exactly the table's end")
            << qint64(1407616) << other << qint64(1407162) << qint64(1407616) << qint64(66001);
        QTest::newRow("4 MiB + 1")
            << qint64(4194305) << other << qint64(1407162) << qint64(1407616) << qint64(66001);
        QTest::newRow("a multiple of 1024, not of 32 KiB")
            << qint64(2049 * 1024) << other << qint64(1407162) << qint64(1407616) << qint64(66001);
    }
    void layouts() {
        QFETCH(qint64, size);
        QFETCH(int, layout);
        QFETCH(qint64, tableFirst);
        QFETCH(qint64, tableLast);
        QFETCH(qint64, marker);
        const Layout found = layoutOfSize(size);
        QCOMPARE(int(found), layout);
        QCOMPARE(store::tableFirst(found), tableFirst);
        QCOMPARE(slotPosition(found, 0, 1), tableFirst);
        QCOMPARE(store::tableLast(found), tableLast);
        QCOMPARE(slotPosition(found, 64, 7), tableLast);
        QCOMPARE(markerFirst(found), marker);
        QVERIFY(!inTable(found, tableFirst - 1) && !inTable(found, tableLast + 1));
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
        auto file = ImageFile::open(files_.ops, path);
        const auto byteAt = [&](Position position) {
            std::uint8_t byte = 0;
            file.read(position, {&byte, 1});
            return byte;
        };
        QCOMPARE(byteAt(1), std::uint8_t(0xA1));
        QCOMPARE(byteAt(kTableFirst), std::uint8_t(0xB2));
        QCOMPARE(byteAt(kTableLast), std::uint8_t(0xC3));
        QCOMPARE(byteAt(Position(image.bytes.size())), std::uint8_t(0xD4));
        QVERIFY_THROWS_EXCEPTION(FileError, byteAt(Position(image.bytes.size()) + 1));
        QVERIFY_THROWS_EXCEPTION(FileError, byteAt(0));
    }

    // Opening refuses what is not a whole image; it never creates a file.
    void openRefuses_data() {
        fixtures::addBadFileColumns();
        fixtures::addBadFileRows({BadFile::EmptyName, BadFile::Missing, BadFile::Directory,
                                  BadFile::Fifo, BadFile::Empty, BadFile::MarkerShort,
                                  BadFile::TableShort});
    }
    void openRefuses() {
        QFETCH(int, badFile);
        QFETCH(QString, reason);
        Folder folder;
        std::string path = folder.path("rom.smc");
        QVERIFY(fixtures::makeBadFile(BadFile(badFile), path));
        try {
            ImageFile::open(files_.ops, path);
            QFAIL("open accepted it");
        } catch (const FileError& error) {
            const QString message = QString::fromUtf8(error.what());
            QVERIFY2(message.contains(reason), qPrintable(message));
            QCOMPARE(error.file, path);
        }
        if (BadFile(badFile) == BadFile::Missing)
            QVERIFY(!std::filesystem::exists(path));
    }

    void openRefusesReadOnlyFile() {
        Folder folder;
        const auto path = folder.write("rom.smc", Image());
        std::filesystem::permissions(path, std::filesystem::perms::owner_read);
        if (::access(path.c_str(), W_OK) == 0)
            QSKIP("this user may write to read-only files (root); scripts/test runs this "
                  "test again as an unprivileged user");
        QVERIFY_THROWS_EXCEPTION(FileError, ImageFile::open(files_.ops, path));
    }

    void fileOfExactlyTheTableEndOpens() {
        Folder folder;
        const auto path = folder.write("rom.smc", Image(kTableLast));
        auto file = ImageFile::open(files_.ops, path);
        QCOMPARE(file.length(), kTableLast);
        const std::uint8_t byte = 9;
        file.write(kTableLast, {&byte, 1});
        file.close();
        QCOMPARE(std::filesystem::file_size(path), std::uintmax_t(kTableLast));
    }

    // Writes land only inside the store table where the image's layout puts it: a
    // write that reaches outside it, even by one byte, changes nothing. The other
    // layout's table is outside it too.
    void writesOutsideTableAreRefused_data() {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<int>("count");
        for (const auto& layout : fixtures::kLayoutRows) {
            const qint64 length = layout.length;
            const Layout is = layoutOfSize(length);
            const Layout other = is == Layout::NoHeader ? Layout::CopierHeader : Layout::NoHeader;
            const qint64 base = tableFirst(is) - 1, last = tableLast(is);
            QTest::addRow("%s, first byte", layout.name) << length << qint64(1) << 1;
            QTest::addRow("%s, marker", layout.name) << length << qint64(markerFirst(is)) << 3;
            QTest::addRow("%s, just before the table", layout.name) << length << base << 1;
            QTest::addRow("%s, a record starting one before", layout.name) << length << base << 7;
            QTest::addRow("%s, a record ending one after", layout.name) << length << last - 5 << 7;
            QTest::addRow("%s, just after the table", layout.name) << length << last + 1 << 1;
            QTest::addRow("%s, the other layout's store 0", layout.name)
                << length << qint64(slotPosition(other, 0, 1)) << 7;
            QTest::addRow("%s, past the end", layout.name) << length << length + 1 << 1;
        }
    }
    void writesOutsideTableAreRefused() {
        QFETCH(qint64, length);
        QFETCH(qint64, first);
        QFETCH(int, count);
        Folder folder;
        const Image image = Image::random(7, length);
        const auto path = folder.write("rom.smc", image);
        {
            auto file = ImageFile::open(files_.ops, path);
            const std::vector<std::uint8_t> bytes(count, 0x55);
            QVERIFY_THROWS_EXCEPTION(FileError, file.write(first, bytes));
        }
        QCOMPARE(Image::load(path).bytes, image.bytes);
    }

    void closedOnEveryPath() {
        Folder folder;
        const auto path = folder.write("rom.smc", Image());
        { auto file = ImageFile::open(files_.ops, path); } // the destructor closes it
        auto file = ImageFile::open(files_.ops, path);
        file.close();
        file.close();
        std::uint8_t byte = 0;
        QVERIFY_THROWS_EXCEPTION(FileError, file.read(1, {&byte, 1}));
    }

    // The identity names the file, not the path: another file renamed over the path
    // has another one.
    void identityFollowsTheFile() {
        Folder folder;
        const auto path = folder.write("rom.smc", Image());
        const auto first = ImageFile::open(files_.ops, path).identity();
        QVERIFY(ImageFile::open(files_.ops, path).identity() == first);
        const auto other = folder.write("other.smc", Image());
        std::filesystem::rename(other, path);
        QVERIFY(!(ImageFile::open(files_.ops, path).identity() == first));
    }

private:
    FileOpsUnderTest files_;
};

int main(int argc, char** argv) {
    return fixtures::runOverBothFileOps<TestImageFile>(argc, argv);
}
#include "test_imagefile.moc"
