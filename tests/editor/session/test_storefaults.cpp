// The store write under scripted faults of single file calls, and under another
// program changing the file between two of them.
#include "FileError.h"
#include "Fixtures.h"
#include "PlainView.h"
#include "Sentences.h"
#include "StoreRecords.h"

#include <filesystem>

using namespace store;
using namespace session;
using fixtures::Folder;
using fixtures::PlainView;
using tools::Image;
using Call = ScriptedFileOps::Call;
using Fault = ScriptedFileOps::Fault;

Q_DECLARE_METATYPE(ScriptedFileOps::Call)

namespace {

constexpr int kStore = 40;
const Record kNewRecord{1, 2, 3, 4, 5, 6, 7};

} // namespace

class TestStoreFaults : public QObject {
    Q_OBJECT
private slots:
    void init() {
        before_ = Image::random(21);
        view_ = PlainView{};
        view_.path = folder_.write("rom.smc", before_);
        view_.selection = kStore;
        files_.reset();
        const auto read = readOpening(files_, view_.path);
        memory_ = {read.image, kFirstStore, read.storeZero};
        readCurrentStore(view_, files_, memory_);
        view_.slotTexts = {"1", "2", "3", "4", "5", "6", "7"};
        files_.reset();
    }
    void cleanup() { QCOMPARE(files_.openDescriptors(), 0); }

    // The seven bytes go out in one positioned write: a killed program leaves the
    // old record or the new one, never a mix.
    void oneWriteCallPerSave() {
        writeCurrentStore(view_, files_, memory_);
        QCOMPARE(std::count(files_.log.begin(), files_.log.end(), Call::Pwrite), 1);
        QVERIFY(Image::load(view_.path).record(kStore) == kNewRecord);
    }

    // One failing call: what the image then holds, what the message says, and what
    // the editor remembers of the store's bytes on disk.
    void oneFailingCall_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<int>("number"); // of that kind, within the save
        QTest::addColumn<int>("fault");  // Fault
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("outcome"); // "saved" or a part of the message
        QTest::addColumn<bool>("newRecordOnDisk");
        const int error = int(Fault::Error), shortCount = int(Fault::Short);
        QTest::newRow("open fails")
            << Call::Open << 1 << error << EIO << "Nothing was written" << false;
        QTest::newRow("fstat at open fails")
            << Call::Fstat << 1 << error << EIO << "Nothing was written" << false;
        QTest::newRow("the read of the old record fails")
            << Call::Pread << 1 << error << EIO << "Nothing was written" << false;
        QTest::newRow("the length check fails")
            << Call::Fstat << 2 << error << EIO << "Nothing was written" << false;
        QTest::newRow("the write fails, disk full")
            << Call::Pwrite << 1 << error << ENOSPC << "No space left" << false;
        QTest::newRow("the write is short")
            << Call::Pwrite << 1 << shortCount << 0 << "old bytes were put back" << false;
        QTest::newRow("the flush fails")
            << Call::Fsync << 1 << error << EIO << "old bytes were put back" << false;
        QTest::newRow("the length check after the flush fails")
            << Call::Fstat << 3 << error << EIO << "were written and flushed" << true;
        QTest::newRow("the close fails after the flush")
            << Call::Close << 1 << error << EIO << "were written and flushed to disk" << true;
        QTest::newRow("a short read is read on")
            << Call::Pread << 1 << shortCount << 0 << "saved" << true;
        for (Call call : {Call::Open, Call::Fstat, Call::Pread, Call::Pwrite, Call::Fsync})
            QTest::newRow(qPrintable(
                QStringLiteral("EINTR in %1 is retried").arg(ScriptedFileOps::name(call))))
                << call << 1 << error << EINTR << "saved" << true;
        QTest::newRow("EINTR in close is not retried")
            << Call::Close << 1 << error << EINTR << "were written and flushed to disk" << true;
    }
    void oneFailingCall() {
        QFETCH(Call, call);
        QFETCH(int, number);
        QFETCH(int, fault);
        QFETCH(int, error);
        QFETCH(QString, outcome);
        QFETCH(bool, newRecordOnDisk);
        files_.add({number, call, Fault(fault), error});
        const QString message = save();
        QVERIFY2(files_.fired.has_value(), "the scripted fault did not fire");
        if (outcome == "saved")
            QCOMPARE(message, QStringLiteral("saved"));
        else
            QVERIFY2(message.contains(outcome), qPrintable(message));
        QVERIFY2(message.contains(QString::fromStdString(view_.path)) || outcome == "saved",
                 qPrintable(message));
        Image expected = before_;
        if (newRecordOnDisk)
            expected.setRecord(kStore, kNewRecord);
        QVERIFY(Image::load(view_.path).bytes == expected.bytes);
        // What is remembered is what is on disk, or nothing where that is not sure;
        // either way the next save is harmless.
        if (memory_.onDisk)
            QVERIFY(*memory_.onDisk == expected.record(kStore));
        files_.reset();
        const QString next = save();
        if (next == "saved")
            expected.setRecord(kStore, kNewRecord);
        QVERIFY(Image::load(view_.path).bytes == expected.bytes);
    }

    // A short write whose putting back fails too: the message says the store may be
    // partly written, and the next save refuses until the store is read again.
    void failedPutBack() {
        files_.add({1, Call::Pwrite, Fault::Short});
        files_.add({2, Call::Pwrite, Fault::Error, EIO});
        QVERIFY(save().contains("may be only partly written"));
        QVERIFY(!memory_.onDisk);
        Image outside = Image::load(view_.path);
        outside.setRecord(kStore, before_.record(kStore));
        QVERIFY(outside.bytes == before_.bytes);
        files_.reset();
        QVERIFY(save().contains("another program has changed it"));
    }

    // Another program truncates the image during the save: before the length check
    // nothing is written; after it, the write lands past the new end and so extends
    // the file (with a hole of zeros up to the record), the length seen after the
    // flush tells, and the save is a failure, never a success.
    void truncatedDuringTheSave_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("before the old record is read")
            << Call::Pread << 1 << "lies past the end of the file";
        QTest::newRow("before the length check") << Call::Fstat << 2 << "changed size since it";
        QTest::newRow("between the length check and the write")
            << Call::Pwrite << 1 << "changed size while it was saved";
    }
    void truncatedDuringTheSave() {
        QFETCH(Call, call);
        QFETCH(int, number);
        QFETCH(QString, outcome);
        const auto path = view_.path;
        files_.beforeCall(call, number, [path] { std::filesystem::resize_file(path, 1000000); });
        const QString message = save();
        QVERIFY2(message.contains(outcome), qPrintable(message));
        QVERIFY(message != "saved");
        const auto after = Image::load(path).bytes;
        constexpr std::size_t kCut = 1000000;
        std::vector<std::uint8_t> expected(before_.bytes.begin(), before_.bytes.begin() + kCut);
        if (call == Call::Pwrite) {
            // The record, written at its place past the cut, and zeros between.
            const auto recordAt = std::size_t(slotPosition(kStore, kFirstSlot) - 1);
            expected.resize(recordAt, 0);
            expected.insert(expected.end(), kNewRecord.begin(), kNewRecord.end());
        }
        QCOMPARE(after.size(), expected.size());
        QVERIFY(after == expected);
    }

    // Another program rewrites the store, or renames another file over the image,
    // after the editor read it: the save refuses and writes nothing.
    void changedBeforeTheSave() {
        Image changed = before_;
        changed.set(slotPosition(kStore, 7), changed.at(slotPosition(kStore, 7)) + 1);
        changed.save(view_.path);
        QVERIFY(save().contains("another program has changed it"));
        QVERIFY(Image::load(view_.path).bytes == changed.bytes);

        const Image other = Image::random(99);
        std::filesystem::rename(folder_.write("other.smc", other), view_.path);
        QVERIFY(save().contains("another file has taken its place"));
        QVERIFY(Image::load(view_.path).bytes == other.bytes);
    }

private:
    QString save() {
        try {
            writeCurrentStore(view_, files_, memory_);
        } catch (const FileError& error) {
            return QString::fromStdString(sentenceFor(error));
        }
        return QStringLiteral("saved");
    }

    Folder folder_;
    ScriptedFileOps files_;
    Image before_;
    PlainView view_;
    ImageMemory memory_;
};

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "test_storefaults.moc"
