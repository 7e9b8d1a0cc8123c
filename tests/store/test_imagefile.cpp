#include "BadFiles.h"
#include "Fixtures.h"
#include "ImageError.h"
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
        QVERIFY_THROWS_EXCEPTION(ImageError, byteAt(Position(image.bytes.size()) + 1));
        QVERIFY_THROWS_EXCEPTION(ImageError, byteAt(0));
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
        } catch (const ImageError& error) {
            const QString message = QString::fromUtf8(error.what());
            QVERIFY2(message.contains(reason), qPrintable(message));
            QVERIFY2(message.contains(QString::fromStdString(path)), qPrintable(message));
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
        QVERIFY_THROWS_EXCEPTION(ImageError, ImageFile::open(files_.ops, path));
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

    // Writes land only inside the store table: a write that reaches outside it,
    // even by one byte, changes nothing.
    void writesOutsideTableAreRefused_data() {
        QTest::addColumn<qint64>("first");
        QTest::addColumn<int>("count");
        QTest::newRow("first byte") << qint64(1) << 1;
        QTest::newRow("marker") << qint64(66001) << 3;
        QTest::newRow("just before the table") << qint64(kTableBase) << 1;
        QTest::newRow("a record starting one before") << qint64(kTableBase) << 7;
        QTest::newRow("a record ending one after") << qint64(kTableLast - 5) << 7;
        QTest::newRow("just after the table") << qint64(kTableLast + 1) << 1;
        QTest::newRow("past the end") << qint64(tools::kDemoImageLength + 1) << 1;
    }
    void writesOutsideTableAreRefused() {
        QFETCH(qint64, first);
        QFETCH(int, count);
        Folder folder;
        const Image image = Image::random(7);
        const auto path = folder.write("rom.smc", image);
        {
            auto file = ImageFile::open(files_.ops, path);
            const std::vector<std::uint8_t> bytes(count, 0x55);
            QVERIFY_THROWS_EXCEPTION(ImageError, file.write(first, bytes));
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
        QVERIFY_THROWS_EXCEPTION(ImageError, file.read(1, {&byte, 1}));
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
