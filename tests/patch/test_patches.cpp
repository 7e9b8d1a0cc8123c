// IPS and BPS patches: the writer against bytes worked out by hand; every patch the
// command writes applied by reference appliers of this test's own (written from the
// formats' published descriptions, not from the writer) and compared byte for byte;
// every refusal of the reader, each leaving the image byte-identical; hand-made BPS
// patches with all four actions; and round trips of random images and changes.
#include "Commands.h"
#include "Fixtures.h"
#include "Patches.h"

#include <QDir>
#include <fcntl.h>
#include <filesystem>
#include <pty.h>
#include <random>
#include <zlib.h>

using fixtures::Folder;
using tools::Image;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::uint64_t kTableOffset = store::kTableFirst - 1; // 0-based
constexpr std::uint64_t kSmallImage = store::kTableLast;       // the table's end

std::uint32_t crcOf(const Bytes& bytes) {
    return std::uint32_t(crc32(0L, bytes.data(), uInt(bytes.size())));
}

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

void appendLittleEndian(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(value >> (8 * i)));
}

// --- References of the test's own, from the formats' descriptions ---------------

// IPS: "PATCH", records (offset: 3 bytes big-endian, size: 2 bytes big-endian,
// then size bytes; size 0: a 2-byte count and one byte repeated), "EOF".
Bytes referenceIps(Bytes image, const Bytes& patch) {
    std::size_t at = 5;
    while (!(patch[at] == 'E' && patch[at + 1] == 'O' && patch[at + 2] == 'F')) {
        const std::size_t offset = (patch[at] << 16) | (patch[at + 1] << 8) | patch[at + 2];
        const std::size_t size = (patch[at + 3] << 8) | patch[at + 4];
        at += 5;
        if (size == 0) {
            const std::size_t count = (patch[at] << 8) | patch[at + 1];
            std::fill_n(image.begin() + long(offset), count, patch[at + 2]);
            at += 3;
        } else {
            std::copy_n(patch.begin() + long(at), size, image.begin() + long(offset));
            at += size;
        }
    }
    return image;
}

// BPS numbers: 7 bits a byte, low first, the last byte flagged by its top bit, and
// each byte after the first adding the weight it would carry.
std::uint64_t decodeNumber(const Bytes& patch, std::size_t& at) {
    std::uint64_t data = 0, shift = 1;
    for (;;) {
        const std::uint8_t x = patch[at++];
        data += (x & 0x7f) * shift;
        if (x & 0x80)
            return data;
        shift <<= 7;
        data += shift;
    }
}

Bytes encodeNumber(std::uint64_t data) {
    Bytes out;
    for (;;) {
        const std::uint8_t x = data & 0x7f;
        data >>= 7;
        if (data == 0) {
            out.push_back(0x80 | x);
            return out;
        }
        out.push_back(x);
        data--;
    }
}

// BPS: "BPS1", source size, target size, metadata; actions (length - 1 << 2 | mode)
// until the 12-byte footer: SourceRead copies the source at the output's offset,
// TargetRead copies from the patch, SourceCopy and TargetCopy move their own offsets
// by a signed number (lowest bit the sign) and copy from there.
Bytes referenceBps(const Bytes& source, const Bytes& patch) {
    std::size_t at = 4;
    decodeNumber(patch, at);
    Bytes target(decodeNumber(patch, at));
    at += decodeNumber(patch, at);
    std::size_t out = 0, sourceRelative = 0, targetRelative = 0;
    while (at < patch.size() - 12) {
        const std::uint64_t data = decodeNumber(patch, at);
        const std::size_t mode = data & 3, length = (data >> 2) + 1;
        if (mode == 0) {
            std::copy_n(source.begin() + long(out), length, target.begin() + long(out));
        } else if (mode == 1) {
            std::copy_n(patch.begin() + long(at), length, target.begin() + long(out));
            at += length;
        } else {
            const std::uint64_t offset = decodeNumber(patch, at);
            std::size_t& relative = mode == 2 ? sourceRelative : targetRelative;
            relative = offset & 1 ? relative - (offset >> 1) : relative + (offset >> 1);
            for (std::size_t i = 0; i < length; ++i)
                target[out + i] = mode == 2 ? source[relative++] : target[relative++];
        }
        out += length;
    }
    return target;
}

// A BPS patch from its parts, with the CRC-32s of source and target as given and
// the patch's own computed.
Bytes bps(std::uint64_t sourceSize, std::uint64_t targetSize, const Bytes& actions,
          std::uint32_t sourceCrc, std::uint32_t targetCrc, const Bytes& metadata = {}) {
    Bytes patch = bytesOf("BPS1");
    for (std::uint64_t n : {sourceSize, targetSize, std::uint64_t(metadata.size())}) {
        const Bytes number = encodeNumber(n);
        patch.insert(patch.end(), number.begin(), number.end());
    }
    patch.insert(patch.end(), metadata.begin(), metadata.end());
    patch.insert(patch.end(), actions.begin(), actions.end());
    appendLittleEndian(patch, sourceCrc);
    appendLittleEndian(patch, targetCrc);
    appendLittleEndian(patch, crcOf(patch));
    return patch;
}

// One action: its number, then (TargetRead) its bytes or (the copies) its offset.
Bytes action(int mode, std::uint64_t length, const Bytes& then = {}) {
    Bytes out = encodeNumber(((length - 1) << 2) | std::uint64_t(mode));
    out.insert(out.end(), then.begin(), then.end());
    return out;
}

Bytes signedOffset(std::int64_t delta) {
    return encodeNumber(delta < 0 ? (std::uint64_t(-delta) << 1) | 1 : std::uint64_t(delta) << 1);
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string readAll(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// The command in the process, over the real file calls.
Outcome run(const Folder& folder, const std::vector<std::string>& arguments) {
    const std::string outPath = folder.path("stdout"), errPath = folder.path("stderr");
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    store::PosixFileOps ops;
    Outcome outcome;
    outcome.status = cli::runQuendleStores(ops, arguments, {in, out, err});
    ::close(err);
    ::close(in);
    outcome.out = readAll(outPath);
    outcome.err = readAll(errPath);
    return outcome;
}

// The command in the process, its standard output the descriptor out.
Outcome runTo(const Folder& folder, int out, const std::vector<std::string>& arguments) {
    const std::string errPath = folder.path("stderr");
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    store::PosixFileOps ops;
    Outcome outcome;
    outcome.status = cli::runQuendleStores(ops, arguments, {in, ::dup(out), err});
    ::close(err);
    ::close(in);
    outcome.err = readAll(errPath);
    return outcome;
}

void save(const std::string& path, const Bytes& bytes) {
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

// An image of exactly the table's end, zeros but for a few table bytes.
Image smallImage() {
    Image image(store::kTableLast);
    image.setRecord(0, {1, 2, 3, 4, 5, 6, 7});
    image.setRecord(1, {10, 20, 30, 40, 50, 60, 70});
    return image;
}

} // namespace

class TestPatches : public QObject {
    Q_OBJECT
private slots:
    // The library itself, without the command: a patch made for an image of either
    // layout applies to it and to its twin of the other layout, giving the same
    // table, and says which layout it was made for.
    void makeAndApply_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<qint64>("length");
        for (const auto& row : fixtures::kLayoutRows) {
            QTest::addRow("IPS, %s", row.name) << int(patch::Format::Ips) << qint64(row.length);
            QTest::addRow("BPS, %s", row.name) << int(patch::Format::Bps) << qint64(row.length);
        }
    }
    void makeAndApply() {
        QFETCH(int, format);
        QFETCH(qint64, length);
        const Image source = Image::random(3, length);
        const store::Layout layout = source.layout();
        store::Table table{}, target{};
        for (int s = 0; s < store::kStoreCount; ++s)
            table[s] = target[s] = source.record(s);
        target[12] = {1, 2, 3, 4, 5, 6, 7};
        target[64][6] ^= 0xFF;
        const patch::MemoryImageBytes bytes(source.bytes);
        const std::string made =
            patch::makePatch(patch::Format(format), bytes, layout, table, target);
        QCOMPARE(patch::formatOf(made), std::optional(patch::Format(format)));

        const patch::Applied applied =
            patch::applyPatch(patch::Format(format), made, bytes, layout, table);
        QVERIFY(applied.table == target);
        QCOMPARE(applied.madeFor, patch::patchedLayout(layout));

        // The twin without a header takes a patch made for the image with one.
        if (layout == store::Layout::CopierHeader) {
            const Image twin = source.withoutHeader();
            const patch::Applied onTwin =
                patch::applyPatch(patch::Format(format), made, patch::MemoryImageBytes(twin.bytes),
                                  twin.layout(), table);
            QVERIFY(onTwin.table == target);
        }
        // A patch that changes nothing leaves the table as it is.
        const std::string none =
            patch::makePatch(patch::Format(format), bytes, layout, table, table);
        QVERIFY(patch::applyPatch(patch::Format(format), none, bytes, layout, table).table ==
                table);
    }

    // A change of two single bytes (store 0 slot 1, store 64 slot 7) in an image of
    // exactly the table's end, worked out by hand from the formats' descriptions.
    void writerMatchesHandWork() {
        Folder folder;
        const Image source(store::kTableLast);
        Image target = source;
        target.set(store::slotPosition(0, 1), 5);
        target.set(store::slotPosition(64, 7), 9);
        const std::string clean = folder.write("clean.smc", source);
        const std::string hack = folder.write("hack.smc", target);

        QCOMPARE(run(folder, {"patch", clean, hack, "-o", folder.path("p.ips")}).status, 0);
        // Offsets 0x1578B9 (1407161) and 0x157A7F (1407615), one byte each.
        const Bytes ips = {'P',  'A',  'T',  'C',  'H',  0x15, 0x78, 0xB9, 0x00, 0x01,
                           0x05, 0x15, 0x7A, 0x7F, 0x00, 0x01, 0x09, 'E',  'O',  'F'};
        QVERIFY(bytesOf(readAll(folder.path("p.ips"))) == ips);

        QCOMPARE(run(folder, {"patch", clean, hack, "-o", folder.path("p.bps")}).status, 0);
        // 1407616 is 00 74 D4; SourceRead of 1407161 bytes, ((1407161 - 1) << 2) | 0,
        // is 60 44 56 81; TargetRead of one byte is 81; SourceRead of 453 bytes is 10 8D.
        Bytes bps = {'B',  'P',  'S',  '1',  0x00, 0x74, 0xD4, 0x00, 0x74, 0xD4, 0x80,
                     0x60, 0x44, 0x56, 0x81, 0x81, 0x05, 0x10, 0x8D, 0x81, 0x09};
        appendLittleEndian(bps, crcOf(source.bytes));
        appendLittleEndian(bps, crcOf(target.bytes));
        appendLittleEndian(bps, crcOf(bps));
        QVERIFY(bytesOf(readAll(folder.path("p.bps"))) == bps);

        // The same image on both sides: empty patches.
        QCOMPARE(run(folder, {"patch", clean, clean, "--format", "ips"}).out,
                 std::string("PATCHEOF"));
        const Bytes empty = bytesOf(run(folder, {"patch", clean, clean}).out);
        QVERIFY(referenceBps(source.bytes, empty) == source.bytes);
        QCOMPARE(empty.size(), std::size_t(4 + 3 + 3 + 1 + 4 + 12));
        // And they load, changing nothing.
        for (const char* format : {"ips", "bps"}) {
            const std::string path = folder.path(format);
            QCOMPARE(run(folder, {"patch", clean, clean, "--format", format, "-o", path}).status,
                     0);
            const Outcome loaded = run(folder, {"load", clean, path});
            QCOMPARE(loaded.status, 0);
            QVERIFY2(QString::fromStdString(loaded.err).contains("0 stores changed by the patch"),
                     loaded.err.c_str());
        }
        QVERIFY(Image::load(clean).bytes == source.bytes);
    }

    // The format: --format, else the output's extension, else BPS.
    void formatChoice_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("magic");
        QTest::newRow("no hint") << QStringList{} << "BPS1";
        QTest::newRow("-o x.ips") << QStringList{"-o", "@/x.ips"} << "PATCH";
        QTest::newRow("-o x.IPS") << QStringList{"-o", "@/x.IPS"} << "PATCH";
        QTest::newRow("-o x.bps") << QStringList{"-o", "@/x.bps"} << "BPS1";
        QTest::newRow("--format beats the extension")
            << QStringList{"-o", "@/x.bps", "--format=ips"} << "PATCH";
        QTest::newRow("-o another extension") << QStringList{"-o", "@/x.patch"} << "BPS1";
    }
    void formatChoice() {
        QFETCH(QStringList, options);
        QFETCH(QString, magic);
        Folder folder;
        const std::string clean = folder.write("clean.smc", Image::random(1));
        const std::string hack = folder.write("hack.smc", Image::random(2));
        std::vector<std::string> arguments{"patch", clean, hack};
        std::string output;
        for (QString option : options) {
            option.replace("@", QString::fromStdString(folder.path(".")));
            arguments.push_back(option.toStdString());
            if (option.contains('/'))
                output = option.toStdString();
        }
        const Outcome made = run(folder, arguments);
        QCOMPARE(made.status, 0);
        const std::string patch = output.empty() ? made.out : readAll(output);
        QVERIFY2(QString::fromStdString(patch).startsWith(magic), made.err.c_str());
    }

    // Random images and random store changes: each patch, applied by the references
    // to the clean image, gives the clean image with the target's table, whatever
    // else the target holds; loaded by the command into a copy of the clean image, it
    // gives the same bytes. A text as the target patches the stores it lists.
    //
    // Patches address the image without its copier header, whatever the layouts of
    // the clean image and the target: applied by the references to the header-less
    // bytes, they give the header-less expected bytes; loaded by the command into the
    // clean image's twin of the other layout, they change the same stores and slots,
    // and leave a header as it was.
    void roundTrips_data() {
        QTest::addColumn<uint>("seed");
        QTest::addColumn<QString>("format");
        QTest::addColumn<qint64>("length");
        for (const auto& layout : fixtures::kLayoutRows)
            for (uint seed : {1u, 2u, 3u})
                for (const char* format : {"ips", "bps"})
                    QTest::addRow("%s, seed %u, %s", layout.name, seed, format)
                        << seed << format << qint64(layout.length);
    }
    void roundTrips() {
        QFETCH(uint, seed);
        QFETCH(QString, format);
        QFETCH(qint64, length);
        Folder folder;
        std::mt19937 random(seed);
        const Image clean = Image::random(seed, length);
        Image target = Image::random(seed + 50, length); // differs outside the table too
        Image expected = clean;
        for (int s = 0; s < store::kStoreCount; ++s) {
            store::Record record = clean.record(s);
            if (random() % 3 == 0)
                for (auto& id : record)
                    if (random() % 2)
                        id = std::uint8_t(random());
            target.setRecord(s, record);
            expected.setRecord(s, record);
        }
        const std::string cleanPath = folder.write("clean.smc", clean);
        const std::string targetPath = folder.write("target.smc", target);
        const std::string patchPath = folder.path("stores.patch");
        const Outcome made = run(folder, {"patch", cleanPath, targetPath, "-o", patchPath,
                                          "--format", format.toStdString()});
        QCOMPARE(made.status, 0);
        const Bytes patch = bytesOf(readAll(patchPath));
        QVERIFY(patch.size() < 1024);
        const bool headered = clean.layout() == store::Layout::CopierHeader;
        const Bytes seenClean = headered ? clean.withoutHeader().bytes : clean.bytes;
        const Bytes seenExpected = headered ? expected.withoutHeader().bytes : expected.bytes;
        const Bytes applied =
            format == "ips" ? referenceIps(seenClean, patch) : referenceBps(seenClean, patch);
        QVERIFY(applied == seenExpected);

        const std::string copy = folder.write("copy.smc", clean);
        const Outcome loaded = run(folder, {"load", copy, patchPath});
        QCOMPARE(loaded.status, 0);
        QVERIFY(Image::load(copy).bytes == expected.bytes);

        constexpr std::uint8_t kHeaderFill = 0xA5;
        const Image twin = headered ? clean.withoutHeader() : clean.withHeader(kHeaderFill);
        const std::string twinPath = folder.write("twin.smc", twin);
        const Outcome twinLoaded = run(folder, {"load", twinPath, patchPath});
        QVERIFY2(twinLoaded.status == 0, twinLoaded.err.c_str());
        QVERIFY(Image::load(twinPath).bytes ==
                (headered ? expected.withoutHeader() : expected.withHeader(kHeaderFill)).bytes);

        // The same stores through a text.
        const std::string textPath = folder.path("target.txt");
        QCOMPARE(run(folder, {"dump", targetPath, "-o", textPath}).status, 0);
        QCOMPARE(run(folder, {"patch", cleanPath, textPath, "-o", patchPath, "--format",
                              format.toStdString()})
                     .status,
                 0);
        QVERIFY(bytesOf(readAll(patchPath)) == patch);
    }

    // Patches made for the image of the other layout, by hand: old IPS patches whose
    // records lie in the table of an image with a copier header are applied to the
    // same stores and slots of an image without one, and --dry-run says which image
    // the patch was made for; a BPS patch made for an image with a copier header is
    // refused by the image without one, saying so, and taken by that image itself.
    void patchesForTheOtherLayout() {
        Folder folder;
        Image headered = Image::random(30);
        headered.setRecord(0, {1, 2, 3, 4, 5, 6, 7});
        const Image headerless = headered.withoutHeader();
        const std::string path = folder.write("rom.sfc", headerless);

        // Store 0 slot 1 := 9, at the offset of the table with a header, 0x1578B9.
        save(folder.path("old.ips"),
             Bytes{'P', 'A', 'T', 'C', 'H', 0x15, 0x78, 0xB9, 0, 1, 9, 'E', 'O', 'F'});
        const Outcome dry = run(folder, {"load", path, folder.path("old.ips"), "--dry-run"});
        QCOMPARE(dry.status, 0);
        QCOMPARE(dry.out, std::string("store 0 (Onett Drugstore 1) slot 1: 1 Franklin badge -> "
                                      "9 Broken iron\n"));
        QVERIFY2(QString::fromStdString(dry.err).contains(
                     "made for an image with a 512-byte copier header; \"" +
                     QString::fromStdString(path) + "\" is an image without a copier header"),
                 dry.err.c_str());
        QVERIFY(Image::load(path).bytes == headerless.bytes);
        QCOMPARE(run(folder, {"load", path, folder.path("old.ips")}).status, 0);
        Image expected = headerless;
        expected.setRecord(0, {9, 2, 3, 4, 5, 6, 7});
        QVERIFY(Image::load(path).bytes == expected.bytes);
        QCOMPARE(expected.slotAt(0, 1), store::Position(0x1576B9 + 1));

        // Records in both tables, or one in neither, are refused.
        save(folder.path("both.ips"), Bytes{'P',  'A',  'T',  'C', 'H', 0x15, 0x78, 0xB9, 0,  1, 1,
                                            0x15, 0x76, 0xB9, 0,   1,   2,    'E',  'O',  'F'});
        const Outcome both = run(folder, {"load", path, folder.path("both.ips")});
        QCOMPARE(both.status, 2);
        QVERIFY2(QString::fromStdString(both.err).contains(
                     "inside the store table of an image without a copier header; the records "
                     "before it write that of an image with a 512-byte copier header"),
                 both.err.c_str());
        QVERIFY(Image::load(path).bytes == expected.bytes);

        // A do-nothing BPS patch for the whole image with its header.
        const std::uint64_t size = headered.bytes.size();
        const std::uint32_t crc = crcOf(headered.bytes);
        save(folder.path("old.bps"), bps(size, size, action(0, size), crc, crc));
        const Outcome refused = run(folder, {"load", path, folder.path("old.bps")});
        QCOMPARE(refused.status, 2);
        QVERIFY2(QString::fromStdString(refused.err)
                     .contains("byte 4 (0x4) of the patch: the patch was made for an image with a "
                               "512-byte copier header (4194816 bytes), and this image has none "
                               "(4194304 bytes)"),
                 refused.err.c_str());
        QVERIFY(Image::load(path).bytes == expected.bytes);
        const std::string withHeader = folder.write("rom.smc", headered);
        const Outcome taken = run(folder, {"load", withHeader, folder.path("old.bps")});
        QVERIFY2(taken.status == 0, taken.err.c_str());
        QVERIFY(Image::load(withHeader).bytes == headered.bytes);
    }

    // A patch is written for the image without its header: an IPS patch of a store
    // change in an image with a header holds the header-less offset, a BPS patch the
    // header-less size and CRC-32.
    void patchesAreForTheHeaderlessImage() {
        Folder folder;
        const Image clean = Image::random(31);
        Image hack = clean;
        hack.set(hack.slotAt(0, 1), std::uint8_t(clean.at(clean.slotAt(0, 1)) ^ 1));
        const std::string cleanPath = folder.write("clean.smc", clean);
        const std::string hackPath = folder.write("hack.smc", hack);
        const Outcome ips = run(folder, {"patch", cleanPath, hackPath, "--format=ips"});
        QCOMPARE(ips.status, 0);
        const Bytes expectedIps = {'P',
                                   'A',
                                   'T',
                                   'C',
                                   'H',
                                   0x15,
                                   0x76,
                                   0xB9,
                                   0,
                                   1,
                                   std::uint8_t(hack.at(hack.slotAt(0, 1))),
                                   'E',
                                   'O',
                                   'F'};
        QVERIFY(bytesOf(ips.out) == expectedIps);
        const Bytes bpsBytes = bytesOf(run(folder, {"patch", cleanPath, hackPath}).out);
        std::size_t at = 4;
        QCOMPARE(decodeNumber(bpsBytes, at), std::uint64_t(tools::kHeaderlessImageLength));
        Bytes footer(bpsBytes.end() - 12, bpsBytes.end() - 8);
        Bytes expectedCrc;
        appendLittleEndian(expectedCrc, crcOf(clean.withoutHeader().bytes));
        QVERIFY(footer == expectedCrc);
    }

    // The largest store patches: every other byte of the table changed, the most
    // runs there can be. The README gives these sizes as the bound.
    void theLargestStorePatches() {
        Folder folder;
        const Image clean = Image::random(32);
        Image hack = clean;
        for (int s = 0; s < store::kStoreCount; ++s)
            for (int k = 1; k <= store::kSlotsPerStore; ++k)
                if ((s * store::kSlotsPerStore + k - 1) % 2 == 0)
                    hack.set(hack.slotAt(s, k), std::uint8_t(clean.at(clean.slotAt(s, k)) ^ 1));
        const std::string cleanPath = folder.write("clean.smc", clean);
        const std::string hackPath = folder.write("hack.smc", hack);
        const Outcome ips = run(folder, {"patch", cleanPath, hackPath, "--format=ips"});
        const Outcome bpsMade = run(folder, {"patch", cleanPath, hackPath, "--format=bps"});
        QCOMPARE(ips.out.size(), std::size_t(5 + 228 * 6 + 3)); // 1,376 bytes
        QVERIFY2(bpsMade.out.size() <= 720, qPrintable(QString::number(bpsMade.out.size())));
    }

    // Hand-made BPS patches with every action, through load: the table gets the
    // bytes the actions make.
    void everyBpsActionIsRead() {
        Folder folder;
        const Image clean = smallImage();
        const std::string path = folder.write("rom.smc", clean);
        // Store 0's record becomes store 1's (SourceCopy from 7 bytes on), store 1's
        // becomes 9 9 9 9 9 9 9 (a TargetRead of one 9, then a TargetCopy of it), the
        // rest is the source's (SourceRead).
        const Bytes actions =
            action(0, kTableOffset) + action(2, 7, signedOffset(std::int64_t(kTableOffset) + 7)) +
            action(1, 1, {9}) + action(3, 6, signedOffset(std::int64_t(kTableOffset) + 7)) +
            action(0, kSmallImage - kTableOffset - 14);
        Image expected = clean;
        expected.setRecord(0, clean.record(1));
        expected.setRecord(1, {9, 9, 9, 9, 9, 9, 9});
        save(folder.path("all.bps"),
             bps(kSmallImage, kSmallImage, actions, crcOf(clean.bytes), crcOf(expected.bytes)));
        QVERIFY(referenceBps(clean.bytes, bytesOf(readAll(folder.path("all.bps")))) ==
                expected.bytes);
        const Outcome dry = run(folder, {"load", path, folder.path("all.bps"), "--dry-run"});
        QCOMPARE(dry.status, 0);
        QVERIFY(QString::fromStdString(dry.out).startsWith("store 0 (Onett Drugstore 1) slot 1: "));
        QVERIFY(Image::load(path).bytes == clean.bytes);
        const Outcome loaded = run(folder, {"load", path, folder.path("all.bps")});
        QCOMPARE(loaded.status, 0);
        QVERIFY2(QString::fromStdString(loaded.err).contains("2 stores changed by the patch"),
                 loaded.err.c_str());
        QVERIFY(Image::load(path).bytes == expected.bytes);

        // IPS run-length records are read too.
        const std::string other = folder.write("other.smc", clean);
        save(folder.path("rle.ips"),
             Bytes{'P', 'A', 'T', 'C', 'H', 0x15, 0x78, 0xB9, 0, 0, 0, 14, 0x42, 'E', 'O', 'F'});
        QCOMPARE(run(folder, {"load", other, folder.path("rle.ips")}).status, 0);
        Image filled = clean;
        filled.setRecord(0, {0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42});
        filled.setRecord(1, {0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42});
        QVERIFY(Image::load(other).bytes == filled.bytes);
    }

    // Every refusal: status 2, a message that names the patch and says what was
    // expected, and the image byte-identical.
    void refusals_data() {
        QTest::addColumn<QByteArray>("patch");
        QTest::addColumn<QString>("says");
        const auto ips = [](const Bytes& records, const std::string& tail = "EOF") {
            const Bytes patch = bytesOf("PATCH") + records + bytesOf(tail);
            return QByteArray(reinterpret_cast<const char*>(patch.data()), qsizetype(patch.size()));
        };
        QTest::newRow("IPS: a record before the table")
            << ips({0x15, 0x78, 0xB8, 0, 2, 1, 1})
            << "byte 5 (0x5) of the patch: the record writes bytes 1407160 (0x1578B8) to 1407161 "
               "(0x1578B9) of the image; expected bytes inside the store table of an image with "
               "a 512-byte copier header, 1407161 (0x1578B9) to 1407615 (0x157A7F), or of an "
               "image without a copier header, 1406649 (0x1576B9) to 1407103 (0x15787F)";
        QTest::newRow("IPS: a record past the table's end")
            << ips({0x15, 0x7A, 0x7F, 0, 2, 1, 1}) << "expected bytes inside the store table";
        QTest::newRow("IPS: a run-length record past the end")
            << ips({0x15, 0x7A, 0x70, 0, 0, 0x01, 0x00, 7})
            << "writes bytes 1407600 (0x157A70) to 1407855 (0x157B6F)";
        QTest::newRow("IPS: a record at the image's start")
            << ips({0, 0, 0, 0, 1, 7}) << "writes bytes 0 (0x0) to 0 (0x0)";
        QTest::newRow("IPS: cut short in a record's bytes")
            << ips({0x15, 0x78, 0xB9, 0, 9, 1, 2}, "")
            << "cut short: a record's bytes needs 9 bytes, 2 remain";
        QTest::newRow("IPS: cut short before EOF") << ips({0x15, 0x78}, "") << "cut short";
        QTest::newRow("IPS: no EOF at all") << ips({}, "") << "cut short";
        QTest::newRow("IPS: bytes after EOF") << ips({}, "EOFxy") << "2 bytes follow \"EOF\"";
        QTest::newRow("IPS: a byte after EOF") << ips({}, "EOFx") << "1 byte follows \"EOF\"";
        Bytes manyRecords;
        for (std::size_t i = 0; i <= patch::kMostIpsRecords; ++i)
            manyRecords = manyRecords + Bytes{0x15, 0x78, 0xB9, 0, 0, 0x01, 0xC7, 0x42};
        QTest::newRow("IPS: more records than a store patch needs")
            << ips(manyRecords) << "more than 4096 records; a store patch needs a few hundred";
        QTest::newRow("IPS: the truncation extension")
            << ips({}, std::string("EOF\x20\x00\x00", 6)) << "a truncation size follows";
        QTest::newRow("IPS: a run-length record of no bytes")
            << ips({0x15, 0x78, 0xB9, 0, 0, 0, 0, 7}) << "of no bytes";

        const Image clean = smallImage();
        const std::uint32_t crc = crcOf(clean.bytes);
        const auto bpsRow = [](const Bytes& patch) {
            return QByteArray(reinterpret_cast<const char*>(patch.data()), qsizetype(patch.size()));
        };
        const Bytes whole = action(0, kSmallImage);
        QTest::newRow("BPS: for an image of another size")
            << bpsRow(bps(kSmallImage + 1, kSmallImage + 1, action(0, kSmallImage + 1), crc, crc))
            << "the patch is for an image of 1407617 bytes; this image holds 1407616";
        QTest::newRow("BPS: for another image")
            << bpsRow(bps(kSmallImage, kSmallImage, whole, crc ^ 1, crc))
            << "for an image whose CRC-32 is";
        Bytes damaged = bps(kSmallImage, kSmallImage, whole, crc, crc);
        damaged[damaged.size() - 20] ^= 0xFF;
        QTest::newRow("BPS: damaged") << bpsRow(damaged) << "the patch is damaged";
        QTest::newRow("BPS: a target of another size")
            << bpsRow(bps(kSmallImage, kSmallImage - 1, action(0, kSmallImage - 1), crc, crc))
            << "never changes the image's length";
        QTest::newRow("BPS: an action past the target's end")
            << bpsRow(bps(kSmallImage, kSmallImage, action(0, kSmallImage + 1), crc, crc))
            << "past the target's end";
        QTest::newRow("BPS: too few bytes made")
            << bpsRow(bps(kSmallImage, kSmallImage, action(0, kSmallImage - 1), crc, crc))
            << "the actions make 1407615 bytes";
        QTest::newRow("BPS: a TargetRead past the patch's actions")
            << bpsRow(bps(kSmallImage, kSmallImage,
                          action(0, kTableOffset) + action(1, 100, {1, 2}), crc, crc))
            << "cut short: a TargetRead's bytes";
        QTest::newRow("BPS: a SourceCopy before the source's start")
            << bpsRow(bps(kSmallImage, kSmallImage, action(2, 4, signedOffset(-1)), crc, crc))
            << "moves before the start";
        QTest::newRow("BPS: a SourceCopy past the source's end")
            << bpsRow(bps(kSmallImage, kSmallImage,
                          action(0, kTableOffset) +
                              action(2, 7, signedOffset(std::int64_t(kSmallImage) - 3)),
                          crc, crc))
            << "reads past the source's end";
        QTest::newRow("BPS: a TargetCopy of bytes not yet written")
            << bpsRow(bps(kSmallImage, kSmallImage, action(3, 4, signedOffset(0)), crc, crc))
            << "not yet written";
        QTest::newRow("BPS: a change outside the table")
            << bpsRow(bps(kSmallImage, kSmallImage, action(1, 1, {1}) + action(0, kSmallImage - 1),
                          crc, crc))
            << "changes byte 0 (0x0) of the image, outside the store table";
        QTest::newRow("BPS: a SourceCopy that moves outside bytes")
            << bpsRow(bps(kSmallImage, kSmallImage,
                          action(2, 1, signedOffset(std::int64_t(kTableOffset))) +
                              action(0, kSmallImage - 1),
                          crc, crc))
            << "outside the store table";
        QTest::newRow("BPS: the target's CRC-32 does not match")
            << bpsRow(bps(kSmallImage, kSmallImage, whole, crc, crc ^ 1))
            << "the target's CRC-32 is";
        Bytes metadataTooLong = bytesOf("BPS1") + encodeNumber(kSmallImage) +
                                encodeNumber(kSmallImage) + encodeNumber(1000);
        appendLittleEndian(metadataTooLong, crc);
        appendLittleEndian(metadataTooLong, crc);
        appendLittleEndian(metadataTooLong, crcOf(metadataTooLong));
        QTest::newRow("BPS: metadata past the actions")
            << bpsRow(metadataTooLong) << "the metadata runs past";
        QTest::newRow("BPS: a number too large")
            << bpsRow(bps(kSmallImage, kSmallImage, Bytes(12, 0x00), crc, crc))
            << "too large a number";
        QTest::newRow("BPS: more actions than a store patch needs")
            << bpsRow(
                   bps(kSmallImage, kSmallImage, Bytes(patch::kMostBpsActions + 1, 0x80), crc, crc))
            << "more than 4096 actions; a store patch needs a few hundred";
        QTest::newRow("BPS: larger than any store patch of the image")
            << bpsRow(
                   bps(kSmallImage, kSmallImage,
                       action(1, kSmallImage + 4096 * 20 + 64, Bytes(kSmallImage + 4096 * 20 + 64)),
                       crc, crc))
            << "more than any store patch of an image of 1407616 bytes";
        QTest::newRow("BPS: too short to be one")
            << QByteArray("BPS1\x80\x80\x80") << "the patch is cut short";
    }
    void refusals() {
        QFETCH(QByteArray, patch);
        QFETCH(QString, says);
        Folder folder;
        const Image clean = smallImage();
        const std::string path = folder.write("rom.smc", clean);
        save(folder.path("bad.patch"), Bytes(patch.begin(), patch.end()));
        for (const char* dryRun : {"--dry-run", "--"}) {
            const Outcome refused = run(folder, {"load", dryRun, path, folder.path("bad.patch")});
            QCOMPARE(refused.status, 2);
            const QString err = QString::fromStdString(refused.err);
            QVERIFY2(err.startsWith("quendle-stores: \"" +
                                    QString::fromStdString(folder.path("bad.patch")) +
                                    "\": byte ") ||
                         err.contains("\"bad.patch\""),
                     qPrintable(err));
            QVERIFY2(err.contains(says) && err.contains("nothing was written"), qPrintable(err));
            QVERIFY(refused.out.empty());
            QVERIFY(Image::load(path).bytes == clean.bytes);
        }
    }

    // A patch never reaches a terminal, however the terminal is named; a text does.
    void binaryOutputNeverReachesATerminal() {
        Folder folder;
        const std::string clean = folder.write("clean.smc", smallImage());
        int master = -1, terminal = -1;
        QVERIFY(::openpty(&master, &terminal, nullptr, nullptr, nullptr) == 0);
        const std::string terminalName = ::ttyname(terminal);
        const std::string byNumber = "/dev/fd/" + std::to_string(terminal);
        for (const std::vector<std::string>& output :
             {std::vector<std::string>{},
              {"-o", "-"},
              {"-o", "/dev/stdout"},
              {"-o", byNumber},
              {"-o", terminalName},
              {"-o", "/proc/self/fd/" + std::to_string(terminal)}}) {
            std::vector<std::string> arguments{"patch", clean, clean};
            arguments.insert(arguments.end(), output.begin(), output.end());
            const Outcome refused = runTo(folder, terminal, arguments);
            QCOMPARE(refused.status, 2);
            QVERIFY2(QString::fromStdString(refused.err)
                         .contains("is a terminal, and a patch is binary"),
                     refused.err.c_str());
        }
        // A text goes to the terminal as it would to any output.
        QCOMPARE(runTo(folder, terminal, {"dump", clean, "-o", "/dev/stdout"}).status, 0);
        ::close(terminal);
        std::string shown;
        char buffer[4096];
        for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;)
            shown.append(buffer, std::size_t(got));
        ::close(master);
        QVERIFY2(shown.starts_with("quendle-stores-table 1"), shown.c_str());
        QVERIFY(shown.find("PATCH") == std::string::npos &&
                shown.find("BPS1") == std::string::npos);
    }

    // A BPS patch is applied in memory, to images of at most 32 MiB; a larger one is
    // refused before it is read.
    void bpsPatchesForHugeImagesAreRefused() {
        Folder folder;
        const std::string path = folder.path("huge.sfc");
        save(path, {});
        const std::uint64_t size = patch::kLargestBpsImage + store::kBankBytes;
        std::filesystem::resize_file(path, size);
        save(folder.path("huge.bps"), bps(size, size, action(0, size), 0, 0));
        const Outcome refused = run(folder, {"load", path, folder.path("huge.bps")});
        QCOMPARE(refused.status, 2);
        QVERIFY2(QString::fromStdString(refused.err)
                     .contains("a BPS patch is applied to images of at most 32 MiB"),
                 refused.err.c_str());
        QCOMPARE(std::filesystem::file_size(path), size);
    }

    // A patch larger than 16 MiB is refused before it is read.
    void largePatchesAreRefused() {
        Folder folder;
        const std::string path = folder.write("rom.smc", smallImage());
        const std::string large = folder.path("large.bps");
        save(large, bytesOf("BPS1"));
        std::filesystem::resize_file(large, patch::kLargestPatch + 1);
        const Outcome refused = run(folder, {"load", path, large});
        QCOMPARE(refused.status, 2);
        QVERIFY2(QString::fromStdString(refused.err)
                     .contains("too large to be a patch (more than 16 MiB); nothing was written"),
                 refused.err.c_str());
    }
};

QTEST_GUILESS_MAIN(TestPatches)
#include "test_patches.moc"
