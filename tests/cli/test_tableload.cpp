// Reading the whole table, and loading stores into an image: only the listed
// stores' bytes change, in one write per run of consecutive stores; and under every
// single failing file call of a load, the image is as it was or the message says
// truthfully what it holds.
#include "BadFiles.h"
#include "ErrorLine.h"
#include "FileError.h"
#include "Fixtures.h"
#include "ImageReader.h"
#include "TableLoad.h"
#include "TableText.h"

#include <filesystem>
#include <sys/stat.h>

using namespace store;
using namespace cli;
using fixtures::BadFile;
using fixtures::Folder;
using text::ListedStore;
using tools::Image;
using Call = ScriptedFileOps::Call;
using Fault = ScriptedFileOps::Fault;

namespace {

// Three runs of consecutive stores: 3 to 5, 20, 64.
std::vector<ListedStore> listedStores() {
    std::vector<ListedStore> stores;
    for (int s : {20, 4, 64, 3, 5})
        stores.push_back({s, {std::uint8_t(s), 1, 2, 3, 4, 5, std::uint8_t(255 - s)}});
    return stores;
}

// The load command's sequence once its text is read: the table read, the listed
// stores set, the changed ones written.
LoadResult loadStores(FileOps& ops, const std::string& path,
                      const std::vector<ListedStore>& stores) {
    const TableChange change = readTableChange(ops, path, [&](const ImageFile&, Table table) {
        for (const ListedStore& store : stores)
            table[store.store] = store.ids;
        return table;
    });
    return writeTableChange(ops, path, change);
}

Image loaded(Image image, const std::vector<ListedStore>& stores) {
    for (const auto& store : stores)
        image.setRecord(store.store, store.ids);
    return image;
}

} // namespace

class TestTableLoad : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QCOMPARE(files_.openDescriptors(), 0); }

    void readsTheWholeTableInOneRead_data() {
        QTest::addColumn<qint64>("length");
        for (const auto& row : fixtures::kLayoutRows)
            QTest::newRow(row.name) << qint64(row.length);
        QTest::newRow("neither layout's size") << qint64(kTableLast + 100);
    }
    void readsTheWholeTableInOneRead() {
        QFETCH(qint64, length);
        const Image image = Image::random(1, length);
        files_.reset();
        const ImageTable read = readImageTableOf(files_, folder_.write("rom.smc", image));
        QCOMPARE(read.layout, image.layout());
        QCOMPARE(read.length, Position(length));
        for (int s = 0; s < kStoreCount; ++s)
            QVERIFY(read.table[s] == image.record(s));
        // Four calls: open, its size, one read of the 455 bytes, close.
        QCOMPARE(files_.log,
                 (std::vector<Call>{Call::Open, Call::Fstat, Call::Pread, Call::Close}));
    }

    // The twin of the other layout holds the same table, 512 bytes away.
    void twinsHoldTheSameTable() {
        const Image headered = Image::random(11);
        const Image headerless = headered.withoutHeader();
        QCOMPARE(headered.layout(), Layout::CopierHeader);
        QCOMPARE(headerless.layout(), Layout::NoHeader);
        const Table a = readImageTableOf(files_, folder_.write("a.smc", headered)).table;
        const Table b = readImageTableOf(files_, folder_.write("b.sfc", headerless)).table;
        QVERIFY(a == b);
        for (int s = 0; s < kStoreCount; ++s)
            QVERIFY(a[s] == headered.record(s));
    }

    // A header-less image must reach its own table's end, 512 bytes earlier; one of
    // a whole number of banks that does not is refused.
    void aShortHeaderlessImageIsRefused() {
        const Position banks42 = 42 * kBankBytes;
        const auto path = folder_.write("short.sfc", Image(banks42));
        try {
            readImageTableOf(files_, path);
            QFAIL("the table was read");
        } catch (const FileError& error) {
            QVERIFY2(QString::fromStdString(lineFor(error))
                         .contains("holds 1376256 bytes, and the store table of an image without "
                                   "a copier header ends at byte 1407104"),
                     error.what());
        }
    }

    // Reading the table and loading into it refuse what open() refuses, and say it
    // the same way; the load writes nothing, and creates and extends nothing.
    void readingRefuses_data() {
        fixtures::addBadFileColumns();
        fixtures::addBadFileRows({BadFile::EmptyName, BadFile::Missing, BadFile::Directory,
                                  BadFile::Fifo, BadFile::Empty, BadFile::TableShort});
    }
    void readingRefuses() {
        QFETCH(int, badFile);
        QFETCH(QString, reason);
        Folder folder;
        std::string path = folder.path("bad.smc");
        QVERIFY(fixtures::makeBadFile(BadFile(badFile), path));
        try {
            readImageTableOf(files_, path);
            QFAIL("the table was read");
        } catch (const FileError& error) {
            QVERIFY2(QString::fromStdString(lineFor(error)).contains(reason),
                     lineFor(error).c_str());
        }
        const QString message = failure(path);
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY2(message.contains("nothing was written"), qPrintable(message));
        if (BadFile(badFile) == BadFile::Missing)
            QVERIFY(!std::filesystem::exists(path));
        if (BadFile(badFile) == BadFile::TableShort)
            QCOMPARE(std::filesystem::file_size(path), std::uintmax_t(kTableLast - 1));
    }

    // A read-only image is read through a read-only handle, which takes no write; a
    // load that changes nothing needs no more (as an unprivileged user, opening it
    // for writing would be refused).
    void readOnlyImagesRead() {
        Folder folder;
        const Image before = Image::random(2);
        const auto path = folder.write("rom.smc", before);
        std::filesystem::permissions(path, std::filesystem::perms::owner_read);
        auto image = ImageFile::open(files_, path, ImageFile::Access::ReadOnly);
        const Table table = image.readTable();
        for (int s = 0; s < kStoreCount; ++s)
            QVERIFY(table[s] == before.record(s));
        const std::uint8_t byte = before.at(kTableFirst) ^ 1;
        QVERIFY_THROWS_EXCEPTION(FileError, image.write(kTableFirst, {&byte, 1}));
        image.close();
        QVERIFY(Image::load(path).bytes == before.bytes);

        std::vector<ListedStore> same;
        for (int s : {3, 40})
            same.push_back({s, before.record(s)});
        files_.reset();
        const auto result = loadStores(files_, path, same);
        QCOMPARE(result.changed, 0);
        QCOMPARE(files_.openFlags.size(), std::size_t(1));
        QCOMPARE(files_.openFlags[0] & O_ACCMODE, O_RDONLY);
    }

    void aLoadChangesOnlyTheListedStores_data() {
        QTest::addColumn<qint64>("length");
        for (const auto& row : fixtures::kLayoutRows)
            QTest::newRow(row.name) << qint64(row.length);
    }
    void aLoadChangesOnlyTheListedStores() {
        QFETCH(qint64, length);
        const Image before = Image::random(3, length);
        const auto path = folder_.write("rom.smc", before);
        files_.reset();
        const auto result = loadStores(files_, path, listedStores());
        QCOMPARE(result.changed, 5);
        QCOMPARE(result.writes, 3);
        QCOMPARE(std::count(files_.log.begin(), files_.log.end(), Call::Pwrite), 3);
        QVERIFY(Image::load(path).bytes == loaded(before, listedStores()).bytes);

        files_.reset(); // the same again changes nothing and writes nothing
        QCOMPARE(loadStores(files_, path, listedStores()).changed, 0);
        QCOMPARE(std::count(files_.log.begin(), files_.log.end(), Call::Pwrite), 0);
    }

    void aWholeTableIsOneWrite() {
        const Image before = Image::random(4), other = Image::random(5);
        const auto path = folder_.write("rom.smc", before);
        std::vector<ListedStore> all;
        for (int s = 0; s < kStoreCount; ++s)
            all.push_back({s, other.record(s)});
        files_.reset();
        QCOMPARE(loadStores(files_, path, all).writes, 1);
        Image expected = before;
        for (int s = 0; s < kStoreCount; ++s)
            expected.setRecord(s, other.record(s));
        QVERIFY(Image::load(path).bytes == expected.bytes);
    }

    // Every call of a load, failing (or shortened) in turn.
    void everyFailingCall_data() {
        QTest::addColumn<int>("call");
        QTest::addColumn<int>("fault");
        const Image before = Image::random(6);
        const auto path = folder_.write("count.smc", before);
        files_.reset();
        loadStores(files_, path, listedStores());
        const auto calls = files_.log;
        for (std::size_t i = 0; i < calls.size(); ++i) {
            const char* name = ScriptedFileOps::name(calls[i]);
            QTest::addRow("call %d (%s) fails", int(i + 1), name)
                << int(i + 1) << int(Fault::Error);
            if (ScriptedFileOps::canBeShort(calls[i]))
                QTest::addRow("call %d (%s) is short", int(i + 1), name)
                    << int(i + 1) << int(Fault::Short);
        }
    }
    void everyFailingCall() {
        QFETCH(int, call);
        QFETCH(int, fault);
        const Image before = Image::random(7);
        const Image after = loaded(before, listedStores());
        const auto path = folder_.write("rom.smc", before);
        files_.reset();
        files_.add({call, {}, Fault(fault), EIO});
        const QString message = failure(path);
        QVERIFY(files_.fired);
        const auto now = Image::load(path).bytes;
        QCOMPARE(now.size(), before.bytes.size());
        if (message.isEmpty()) { // a short read is read on
            QVERIFY(now == after.bytes);
            return;
        }
        QVERIFY2(message.contains(QString::fromStdString(path)), qPrintable(message));
        if (now == before.bytes)
            QVERIFY2(message.contains("nothing was written") || message.contains("as it was"),
                     qPrintable(message));
        else if (now == after.bytes)
            QVERIFY2(message.contains("written and flushed"), qPrintable(message));
        else
            QFAIL(qPrintable("the image holds neither the old records nor the new: " + message));
    }

    // A put back that fails too says which stores may hold new records.
    void aFailedPutBackNamesTheStores() {
        const Image before = Image::random(8);
        const auto path = folder_.write("rom.smc", before);
        files_.reset();
        files_.add({2, Call::Pwrite, Fault::Error, EIO}); // the second run
        files_.add({3, Call::Pwrite, Fault::Error, EIO}); // the first run's putting back
        const QString message = failure(path);
        QVERIFY2(message.contains("stores 3 to 5 may be only partly written"), qPrintable(message));
        Image outside = Image::load(path);
        for (int s : {3, 4, 5})
            outside.setRecord(s, before.record(s));
        QVERIFY(outside.bytes == before.bytes);
    }

    // Another program changes the image between the load's read and its write: the
    // load writes nothing, and the image holds what the other program left.
    void changedBetweenReadAndWrite_data() {
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("reason");
        for (const auto& row : fixtures::kLayoutRows) {
            const qint64 length = row.length;
            QTest::addRow("%s, a listed store rewritten", row.name)
                << length << "rewrite"
                << "store 4 is not as it was read";
            QTest::addRow("%s, another file renamed over it", row.name)
                << length << "rename"
                << "another file has taken its place";
            QTest::addRow("%s, removed and made anew, reusing the inode", row.name)
                << length << "recreate"
                << "another file has taken its place";
            QTest::addRow("%s, made anew with the same inode, another birth time", row.name)
                << length << "reborn"
                << "another file has taken its place";
            QTest::addRow("%s, its size moved to the other layout", row.name)
                << length << "relayout"
                << "changed size since it was read: it is now an image";
        }
    }
    void changedBetweenReadAndWrite() {
        QFETCH(qint64, length);
        QFETCH(QString, change);
        QFETCH(QString, reason);
        const Image before = Image::random(10, length);
        const auto path = folder_.write("rom.smc", before);
        Image theirs = before;
        theirs.set(before.slotAt(4, 2), before.at(before.slotAt(4, 2)) ^ 0x55);
        if (change == "relayout") // the other layout's length, bytes as they were
            theirs.bytes.resize(before.layout() == Layout::NoHeader
                                    ? before.bytes.size() + kCopierHeaderBytes
                                    : before.bytes.size() - kCopierHeaderBytes);
        files_.reset();
        if (change == "reborn") {
            // The file system hands the inode to a new file: the same device and
            // inode, born a second later. Only the birth time tells them apart.
            theirs = before;
            files_.editStatus = [](int number, FileStatus& status) {
                status.hasBirthTime = true;
                status.birthTime.tv_sec = number == 1 ? 1000 : 1001;
            };
        }
        files_.beforeCall(Call::Open, 2, [&] {
            if (change == "rewrite" || change == "relayout") {
                theirs.save(path);
            } else if (change == "rename") {
                theirs.save(folder_.path("other.smc"));
                std::filesystem::rename(folder_.path("other.smc"), path);
            } else if (change == "recreate") {
                std::filesystem::remove(path);
                theirs.save(path);
            }
        });
        const QString message = failure(path);
        QVERIFY2(message.contains(reason) && message.contains("nothing was written"),
                 qPrintable(message));
        QVERIFY(Image::load(path).bytes == theirs.bytes);
    }

    // Another program truncates the image during the load.
    void truncatedDuringTheLoad() {
        const Image before = Image::random(9);
        const auto path = folder_.write("rom.smc", before);
        files_.reset();
        files_.beforeCall(Call::Fstat, 3, [path] { std::filesystem::resize_file(path, 1000000); });
        const QString message = failure(path);
        QVERIFY2(message.contains("changed size") && message.contains("nothing was written"),
                 qPrintable(message));
        QCOMPARE(std::filesystem::file_size(path), std::uintmax_t(1000000));
    }

private:
    QString failure(const std::string& path) {
        try {
            loadStores(files_, path, listedStores());
        } catch (const FileError& error) {
            return QString::fromStdString(lineFor(error));
        }
        return {};
    }

    Folder folder_;
    ScriptedFileOps files_;
};

QTEST_GUILESS_MAIN(TestTableLoad)
#include "test_tableload.moc"
