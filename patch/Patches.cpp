#include "Patches.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>
#include <zlib.h>

namespace patch {

namespace {

using store::TableBytes;

// The store table's place in an image of a layout, as 0-based offsets: [first, end).
struct TablePlace {
    std::uint64_t first = 0, end = 0;
    bool contains(std::uint64_t offset) const { return offset >= first && offset < end; }
    std::string text() const { return offsetText(first) + " to " + offsetText(end - 1); }
};

TablePlace placeIn(Layout layout) {
    return {std::uint64_t(store::tableFirst(layout) - 1), std::uint64_t(store::tableLast(layout))};
}

constexpr std::string_view kIpsHeader = "PATCH";
constexpr std::string_view kIpsTrailer = "EOF";
constexpr std::uint32_t kIpsTrailerAsOffset = 0x454F46; // "EOF" read as an offset
constexpr std::string_view kBpsHeader = "BPS1";
constexpr std::size_t kBpsFooter = 12; // three CRC-32s
// The most bytes a BPS patch holds besides the target's own: its header, sizes and
// footer, and each action's number and offset (ten bytes each at most).
constexpr std::uint64_t kLargestBpsOverhead = 64 + kMostBpsActions * 20;
// Checksums read an image a piece at a time, in few reads.
constexpr std::size_t kChunk = std::size_t(1) << 20;

enum BpsAction { kSourceRead = 0, kTargetRead = 1, kSourceCopy = 2, kTargetCopy = 3 };
constexpr const char* kActionNames[] = {"SourceRead", "TargetRead", "SourceCopy", "TargetCopy"};

// zlib's crc32 gives its initial value, not crc, for a null buffer, which an empty
// vector's data() may be: no bytes leave crc as it is.
std::uint32_t crcOf(std::uint32_t crc, const std::uint8_t* bytes, std::size_t size) {
    return size == 0 ? crc : std::uint32_t(::crc32(crc, bytes, uInt(size)));
}

std::uint32_t emptyCrc() {
    return std::uint32_t(::crc32(0L, Z_NULL, 0));
}

// The CRC-32 of two stretches one after the other, from the CRC-32 of each.
std::uint32_t crcCombined(std::uint32_t first, std::uint32_t second, std::size_t secondLength) {
    return std::uint32_t(::crc32_combine(first, second, z_off_t(secondLength)));
}

// The runs [first, end) of table bytes (0-based within the table) that differ.
std::vector<std::pair<std::size_t, std::size_t>> differingRuns(const Table& source,
                                                               const Table& target) {
    const TableBytes a = store::bytesOfTable(source), b = store::bytesOfTable(target);
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t i = 0; i < a.size();) {
        if (a[i] == b[i]) {
            ++i;
            continue;
        }
        const std::size_t first = i;
        while (i < a.size() && a[i] != b[i])
            ++i;
        runs.emplace_back(first, i);
    }
    return runs;
}

std::string hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

void putLittleEndian(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

std::uint32_t littleEndianAt(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::uint8_t(bytes[at + std::size_t(i)]);
    return value;
}

// Reading a patch: every read checked against what remains before the limit.
class PatchReader {
public:
    PatchReader(std::string_view patch, std::size_t start, std::size_t limit)
        : patch_(patch), at_(start), limit_(limit) {}
    std::size_t at() const { return at_; }
    std::size_t left() const { return limit_ - at_; }
    bool atEnd() const { return at_ == limit_; }

    std::string_view take(std::size_t count, std::size_t recordAt, const char* what) {
        if (count > left())
            throw PatchError(recordAt, std::string("the patch is cut short: ") + what + " needs " +
                                           std::to_string(count) + " bytes, " +
                                           std::to_string(left()) + " remain");
        const std::string_view bytes = patch_.substr(at_, count);
        at_ += count;
        return bytes;
    }
    std::uint64_t bigEndian(std::size_t count, std::size_t recordAt, const char* what) {
        std::uint64_t value = 0;
        for (char c : take(count, recordAt, what))
            value = (value << 8) | std::uint8_t(c);
        return value;
    }
    // A BPS number; refused past 2^56, far beyond any image.
    std::uint64_t number(std::size_t recordAt, const char* what) {
        std::uint64_t value = 0, shift = 1;
        for (;;) {
            const std::uint8_t x = std::uint8_t(take(1, recordAt, what)[0]);
            value += (x & 0x7F) * shift;
            if (x & 0x80)
                return value;
            if (shift > (std::uint64_t(1) << 49))
                throw PatchError(recordAt, std::string(what) + " is too large a number");
            shift <<= 7;
            value += shift;
        }
    }

private:
    std::string_view patch_;
    std::size_t at_;
    std::size_t limit_;
};

// Refuses a BPS patch that is cut short or damaged (its own CRC-32 does not match).
void checkBpsFrame(std::string_view patch) {
    if (!patch.starts_with(kBpsHeader))
        throw PatchError(0, "expected the header \"BPS1\"");
    if (patch.size() < kBpsHeader.size() + 3 + kBpsFooter)
        throw PatchError(patch.size(), "the patch is cut short: a BPS patch holds at least " +
                                           std::to_string(kBpsHeader.size() + 3 + kBpsFooter) +
                                           " bytes");
    const std::uint32_t patchCrc =
        crcOf(emptyCrc(), reinterpret_cast<const std::uint8_t*>(patch.data()), patch.size() - 4);
    if (patchCrc != littleEndianAt(patch, patch.size() - 4))
        throw PatchError(patch.size() - 4,
                         "the patch's CRC-32 is " + hex(littleEndianAt(patch, patch.size() - 4)) +
                             ", but its bytes give " + hex(patchCrc) + ": the patch is damaged");
}

// Where a BPS patch's action past the most a store patch may hold starts, found
// before anything else is done with the patch: counting reads no more than that
// many actions. Nothing when there are no more, or when the actions cannot be read
// that far (the full reading then says what is wrong).
std::optional<std::size_t> actionPastTheMost(std::string_view patch) {
    if (patch.size() < kBpsHeader.size() + 3 + kBpsFooter)
        return std::nullopt;
    try {
        PatchReader reader(patch, kBpsHeader.size(), patch.size() - kBpsFooter);
        reader.number(0, "the source size");
        reader.number(0, "the target size");
        const std::uint64_t metadataSize = reader.number(0, "the metadata size");
        if (metadataSize > reader.left())
            return std::nullopt;
        reader.take(std::size_t(metadataSize), 0, "the metadata");
        for (std::size_t actions = 0; !reader.atEnd(); ++actions) {
            const std::size_t actionAt = reader.at();
            if (actions == kMostBpsActions)
                return actionAt;
            const std::uint64_t data = reader.number(actionAt, "an action");
            const std::uint64_t length = (data >> 2) + 1;
            if ((data & 3) == kTargetRead) {
                if (length > reader.left())
                    return std::nullopt;
                reader.take(std::size_t(length), actionAt, "a TargetRead's bytes");
            } else if ((data & 3) != kSourceRead) {
                reader.number(actionAt, "a copy's offset");
            }
        }
    } catch (const PatchError&) {
    }
    return std::nullopt;
}

PatchError tooManyActions(std::size_t actionAt) {
    return PatchError(actionAt, "more than " + std::to_string(kMostBpsActions) +
                                    " actions; a store patch needs a few hundred at most");
}

// The source size a BPS patch names, when its start can be read.
std::optional<std::uint64_t> bpsSourceSize(std::string_view patch) {
    if (!patch.starts_with(kBpsHeader))
        return std::nullopt;
    try {
        PatchReader reader(patch, kBpsHeader.size(), patch.size());
        return reader.number(kBpsHeader.size(), "the source size");
    } catch (const PatchError&) {
        return std::nullopt;
    }
}

} // namespace

std::string offsetText(std::uint64_t offset) {
    char hexadecimal[24];
    std::snprintf(hexadecimal, sizeof hexadecimal, "0x%llX",
                  static_cast<unsigned long long>(offset));
    return std::to_string(offset) + " (" + hexadecimal + ")";
}

void putBpsNumber(std::string& out, std::uint64_t value) {
    for (;;) {
        const std::uint8_t low = value & 0x7F;
        value >>= 7;
        if (value == 0) {
            out += char(0x80 | low);
            return;
        }
        out += char(low);
        --value;
    }
}

std::optional<Format> formatOf(std::string_view bytes) {
    if (bytes.starts_with(kIpsHeader))
        return Format::Ips;
    if (bytes.starts_with(kBpsHeader))
        return Format::Bps;
    return std::nullopt;
}

ImageChecksums checksumsOf(const ImageBytes& image, const Table& table, Layout layout) {
    const TableBytes replacement = store::bytesOfTable(table);
    const TablePlace place = placeIn(layout);
    ImageChecksums sums{emptyCrc(), emptyCrc()};
    std::vector<std::uint8_t> chunk(kChunk);
    for (std::uint64_t first = 0; first < image.size();) {
        const std::size_t length =
            std::size_t(std::min<std::uint64_t>(kChunk, image.size() - first));
        image.read(first, std::span(chunk.data(), length));
        sums.image = crcOf(sums.image, chunk.data(), length);
        // The part of the table inside this chunk, replaced.
        const std::uint64_t from = std::max(first, place.first);
        const std::uint64_t to = std::min(first + length, place.end);
        for (std::uint64_t p = from; p < to; ++p)
            chunk[std::size_t(p - first)] = replacement[std::size_t(p - place.first)];
        sums.withTable = crcOf(sums.withTable, chunk.data(), length);
        first += length;
    }
    return sums;
}

std::string writeIps(const Table& source, const Table& target, Layout layout) {
    const TableBytes bytes = store::bytesOfTable(target);
    const TablePlace place = placeIn(layout);
    std::string out(kIpsHeader);
    for (const auto& [first, end] : differingRuns(source, target)) {
        const std::uint64_t offset = place.first + first;
        if (offset == kIpsTrailerAsOffset)
            throw PatchError("a record at offset 0x454F46 would read as \"EOF\"");
        for (int shift : {16, 8, 0})
            out += char((offset >> shift) & 0xFF);
        const std::size_t size = end - first;
        out += char(size >> 8);
        out += char(size & 0xFF);
        out.append(reinterpret_cast<const char*>(bytes.data()) + first, size);
    }
    out += kIpsTrailer;
    return out;
}

std::string writeBps(std::uint64_t imageSize, const ImageChecksums& checksums, const Table& source,
                     const Table& target, Layout layout) {
    const TableBytes bytes = store::bytesOfTable(target);
    const TablePlace place = placeIn(layout);
    std::string out(kBpsHeader);
    putBpsNumber(out, imageSize);
    putBpsNumber(out, imageSize);
    putBpsNumber(out, 0); // no metadata
    std::uint64_t written = 0;
    const auto action = [&](BpsAction mode, std::uint64_t length) {
        putBpsNumber(out, ((length - 1) << 2) | mode);
        written += length;
    };
    for (const auto& [first, end] : differingRuns(source, target)) {
        const std::uint64_t offset = place.first + first;
        if (offset > written)
            action(kSourceRead, offset - written);
        action(kTargetRead, end - first);
        out.append(reinterpret_cast<const char*>(bytes.data()) + first, end - first);
    }
    if (imageSize > written)
        action(kSourceRead, imageSize - written);
    putLittleEndian(out, checksums.image);
    putLittleEndian(out, checksums.withTable);
    putLittleEndian(
        out, crcOf(emptyCrc(), reinterpret_cast<const std::uint8_t*>(out.data()), out.size()));
    return out;
}

IpsResult applyIps(std::string_view patch, const Table& table) {
    if (!patch.starts_with(kIpsHeader))
        throw PatchError(0, "expected the header \"PATCH\"");
    TableBytes bytes = store::bytesOfTable(table);
    IpsResult result;
    PatchReader reader(patch, kIpsHeader.size(), patch.size());
    for (std::size_t records = 0;; ++records) {
        const std::size_t recordAt = reader.at();
        if (reader.left() >= kIpsTrailer.size() &&
            patch.substr(recordAt, kIpsTrailer.size()) == kIpsTrailer) {
            reader.take(kIpsTrailer.size(), recordAt, "\"EOF\"");
            if (reader.left() == 3)
                throw PatchError(reader.at(), "a truncation size follows \"EOF\"; a store patch "
                                              "never changes the image's length");
            if (!reader.atEnd())
                throw PatchError(reader.at(),
                                 std::to_string(reader.left()) +
                                     (reader.left() == 1 ? " byte follows" : " bytes follow") +
                                     " \"EOF\"; expected the end");
            break;
        }
        if (records == kMostIpsRecords)
            throw PatchError(recordAt, "more than " + std::to_string(kMostIpsRecords) +
                                           " records; a store patch needs a few hundred at most");
        const std::uint64_t offset = reader.bigEndian(3, recordAt, "a record's offset");
        std::uint64_t length = reader.bigEndian(2, recordAt, "a record's size");
        std::optional<std::uint8_t> fill;
        std::string_view data;
        if (length == 0) {
            length = reader.bigEndian(2, recordAt, "a run-length record's count");
            fill = std::uint8_t(reader.take(1, recordAt, "a run-length record's byte")[0]);
            if (length == 0)
                throw PatchError(recordAt, "a run-length record of no bytes");
        } else {
            data = reader.take(std::size_t(length), recordAt, "a record's bytes");
        }
        const std::string writes = "the record writes bytes " + offsetText(offset) + " to " +
                                   offsetText(offset + length - 1) + " of the image";
        // The layout whose table holds the whole record, if either does.
        std::optional<Layout> layout;
        for (Layout candidate : {Layout::CopierHeader, Layout::NoHeader}) {
            const TablePlace place = placeIn(candidate);
            if (offset >= place.first && offset + length <= place.end)
                layout = candidate;
        }
        if (!layout)
            throw PatchError(recordAt, writes + "; expected bytes inside the store table of " +
                                           store::layoutName(Layout::CopierHeader) + ", " +
                                           placeIn(Layout::CopierHeader).text() + ", or of " +
                                           store::layoutName(Layout::NoHeader) + ", " +
                                           placeIn(Layout::NoHeader).text());
        if (result.madeFor && *result.madeFor != *layout)
            throw PatchError(recordAt, writes + ", inside the store table of " +
                                           store::layoutName(*layout) +
                                           "; the records before it write that of " +
                                           store::layoutName(*result.madeFor));
        result.madeFor = layout;
        const std::uint64_t first = offset - placeIn(*layout).first;
        for (std::uint64_t i = 0; i < length; ++i)
            bytes[std::size_t(first + i)] = fill ? *fill : std::uint8_t(data[std::size_t(i)]);
    }
    result.table = store::tableFromBytes(bytes);
    return result;
}

Table applyBps(std::string_view patch, const ImageBytes& image, const Table& table, Layout layout) {
    const TablePlace place = placeIn(layout);
    if (!patch.starts_with(kBpsHeader))
        throw PatchError(0, "expected the header \"BPS1\"");
    if (const auto pastTheMost = actionPastTheMost(patch))
        throw tooManyActions(*pastTheMost);
    // A patch of this image holds at most the image's bytes, besides its numbers.
    const std::uint64_t largest = image.size() + kLargestBpsOverhead;
    if (patch.size() > largest)
        throw PatchError(patch.size(), "the patch holds " + std::to_string(patch.size()) +
                                           " bytes, more than any store patch of an image of " +
                                           std::to_string(image.size()) + " bytes (at most " +
                                           std::to_string(largest) + ")");
    checkBpsFrame(patch);
    const std::size_t footer = patch.size() - kBpsFooter;

    PatchReader reader(patch, kBpsHeader.size(), footer);
    const std::uint64_t sourceSize = reader.number(kBpsHeader.size(), "the source size");
    const std::size_t targetSizeAt = reader.at();
    const std::uint64_t targetSize = reader.number(targetSizeAt, "the target size");
    const std::size_t metadataAt = reader.at();
    const std::uint64_t metadataSize = reader.number(metadataAt, "the metadata size");
    if (metadataSize > reader.left())
        throw PatchError(metadataAt, "the metadata runs past the patch's actions");
    reader.take(std::size_t(metadataSize), metadataAt, "the metadata");
    if (sourceSize != image.size())
        throw PatchError(kBpsHeader.size(),
                         "the patch is for an image of " + std::to_string(sourceSize) +
                             " bytes; this image holds " + std::to_string(image.size()));
    if (targetSize != sourceSize)
        throw PatchError(targetSizeAt, "the target holds " + std::to_string(targetSize) +
                                           " bytes, the source " + std::to_string(sourceSize) +
                                           "; a store patch never changes the image's length");
    if (image.size() > kLargestBpsImage)
        throw PatchError(kBpsHeader.size(),
                         "the image holds " + std::to_string(image.size()) +
                             " bytes; a BPS patch is applied to images of at most " +
                             std::to_string(kLargestBpsImage >> 20) + " MiB");

    // The whole source, read once: every action then costs what its bytes cost,
    // wherever it reads.
    std::vector<std::uint8_t> source(std::size_t(image.size()));
    image.read(0, source);
    // The CRC-32s of the source's bytes before, in and after the table, so that the
    // target's (the same but for the table) needs no second pass over the image.
    const std::size_t tableFrom = std::size_t(std::min(place.first, sourceSize));
    const std::size_t tableTo = std::size_t(std::min(place.end, sourceSize));
    const std::size_t afterTable = source.size() - tableTo;
    const std::uint32_t crcBefore = crcOf(emptyCrc(), source.data(), tableFrom);
    const std::uint32_t crcAfter = crcOf(emptyCrc(), source.data() + tableTo, afterTable);
    const auto withTable = [&](const std::uint8_t* table) {
        const std::uint32_t crcTable = crcOf(emptyCrc(), table, tableTo - tableFrom);
        return crcCombined(crcCombined(crcBefore, crcTable, tableTo - tableFrom), crcAfter,
                           afterTable);
    };
    const std::uint32_t sourceCrc = withTable(source.data() + tableFrom);
    if (sourceCrc != littleEndianAt(patch, footer))
        throw PatchError(footer, "the patch is for an image whose CRC-32 is " +
                                     hex(littleEndianAt(patch, footer)) + "; this image's is " +
                                     hex(sourceCrc));

    // Outside the table the target must be the source, byte for byte; inside it the
    // actions write the new table.
    TableBytes bytes = store::bytesOfTable(table);
    std::uint64_t written = 0, sourceAt = 0, targetAt = 0;
    std::size_t actionAt = 0;

    const auto changed = [&](std::uint64_t offset) {
        return PatchError(actionAt, "the action changes byte " + offsetText(offset) +
                                        " of the image, outside the store table (bytes " +
                                        place.text() + ")");
    };
    // The bytes from offset `from` on that lie on the same side of the table's
    // bounds: outside it up to its start, inside it up to its end.
    const auto sameSide = [&](std::uint64_t from) {
        if (from < place.first)
            return place.first - from;
        if (from < place.end)
            return place.end - from;
        return std::numeric_limits<std::uint64_t>::max();
    };
    // Target bytes [written, written + length) := the byte at valuesAt(i) for i = 0 to
    // length - 1. The values of a run of i that keeps readFrom + i on one side of
    // the table's bounds lie one after another; outside the table such a run is
    // compared with the source in one go, inside it each byte is written in turn,
    // since a copy may read what it has just written.
    const auto produce = [&](std::uint64_t length, std::uint64_t readFrom, auto&& valuesAt) {
        for (std::uint64_t i = 0; i < length;) {
            const std::uint64_t at = written + i;
            const std::uint64_t run = std::min({length - i, sameSide(at), sameSide(readFrom + i)});
            if (!place.contains(at)) {
                const std::uint8_t* values = valuesAt(i);
                const std::uint8_t* own = source.data() + at;
                if (std::memcmp(values, own, std::size_t(run)) != 0)
                    throw changed(
                        at +
                        std::uint64_t(std::mismatch(values, values + run, own).first - values));
            } else {
                for (std::uint64_t k = 0; k < run; ++k)
                    bytes[std::size_t(at + k - place.first)] = *valuesAt(i + k);
            }
            i += run;
        }
    };
    // A relative offset: a number whose lowest bit is the sign.
    const auto moved = [&](std::uint64_t from, std::uint64_t limit, const char* what) {
        const std::uint64_t encoded = reader.number(actionAt, what);
        const std::uint64_t distance = encoded >> 1;
        if (encoded & 1) {
            if (distance > from)
                throw PatchError(actionAt, std::string(what) + " moves before the start");
            return from - distance;
        }
        if (distance > limit - from)
            throw PatchError(actionAt, std::string(what) + " moves past the end");
        return from + distance;
    };

    std::size_t actions = 0;
    while (!reader.atEnd()) {
        actionAt = reader.at();
        if (++actions > kMostBpsActions)
            throw tooManyActions(actionAt);
        const std::uint64_t data = reader.number(actionAt, "an action");
        const auto mode = BpsAction(data & 3);
        const std::uint64_t length = (data >> 2) + 1;
        if (length > targetSize - written)
            throw PatchError(actionAt, std::string("the ") + kActionNames[mode] + " writes bytes " +
                                           offsetText(written) + " to " +
                                           offsetText(written + length - 1) +
                                           ", past the target's end at " + offsetText(targetSize));
        switch (mode) {
        case kSourceRead:
            // The image's own bytes at the same place: the table keeps them too.
            for (std::uint64_t p = std::max(written, place.first);
                 p < std::min(written + length, place.end); ++p)
                bytes[std::size_t(p - place.first)] = source[std::size_t(p)];
            break;
        case kTargetRead: {
            const auto* read = reinterpret_cast<const std::uint8_t*>(
                reader.take(std::size_t(length), actionAt, "a TargetRead's bytes").data());
            produce(length, written, [&](std::uint64_t i) { return read + i; });
            break;
        }
        case kSourceCopy: {
            sourceAt = moved(sourceAt, sourceSize, "a SourceCopy's offset");
            if (length > sourceSize - sourceAt)
                throw PatchError(actionAt, "the SourceCopy reads past the source's end");
            const std::uint8_t* from = source.data() + sourceAt;
            produce(length, written, [&](std::uint64_t i) { return from + i; });
            sourceAt += length;
            break;
        }
        case kTargetCopy: {
            targetAt = moved(targetAt, written, "a TargetCopy's offset");
            if (targetAt >= written)
                throw PatchError(actionAt, "the TargetCopy reads target bytes not yet written");
            // The target's bytes: the new table's inside it, the source's outside it.
            const std::uint64_t from = targetAt;
            produce(length, from, [&](std::uint64_t i) {
                const std::uint64_t offset = from + i;
                return place.contains(offset) ? bytes.data() + (offset - place.first)
                                              : source.data() + offset;
            });
            targetAt += length;
            break;
        }
        }
        written += length;
    }
    if (written != targetSize)
        throw PatchError(footer, "the actions make " + std::to_string(written) +
                                     " bytes; the target holds " + std::to_string(targetSize));
    // Every byte outside the table is the source's, so the target is the source with
    // the new table.
    const std::uint32_t targetCrc = withTable(bytes.data());
    if (targetCrc != littleEndianAt(patch, footer + 4))
        throw PatchError(footer + 4, "the target's CRC-32 is " +
                                         hex(littleEndianAt(patch, footer + 4)) +
                                         ", but the actions make " + hex(targetCrc));
    return store::tableFromBytes(bytes);
}

std::string makePatch(Format format, const ImageBytes& source, Layout layout, const Table& table,
                      const Table& target) {
    const SkippedImageBytes seen(source, std::uint64_t(store::headerBytes(layout)));
    const Layout seenLayout = patchedLayout(layout);
    if (format == Format::Ips)
        return writeIps(table, target, seenLayout);
    return writeBps(seen.size(), checksumsOf(seen, target, seenLayout), table, target, seenLayout);
}

Applied applyPatch(Format format, std::string_view patch, const ImageBytes& image, Layout layout,
                   const Table& table) {
    if (format == Format::Ips) {
        const IpsResult result = applyIps(patch, table);
        return {result.table, result.madeFor.value_or(layout)};
    }
    const std::uint64_t size = image.size();
    const std::uint64_t header = std::uint64_t(store::kCopierHeaderBytes);
    const std::optional<std::uint64_t> sourceSize = bpsSourceSize(patch);
    if (layout == Layout::CopierHeader && sourceSize == size - header) {
        const SkippedImageBytes seen(image, header);
        return {applyBps(patch, seen, table, Layout::NoHeader), Layout::NoHeader};
    }
    if (layout == Layout::NoHeader && sourceSize == size + header) {
        checkBpsFrame(patch);
        throw PatchError(kBpsHeader.size(),
                         "the patch was made for " +
                             std::string(store::layoutName(Layout::CopierHeader)) + " (" +
                             std::to_string(*sourceSize) + " bytes), and this image has none (" +
                             std::to_string(size) +
                             " bytes); apply it to the image with its header, or use a "
                             "patch made for an image without one");
    }
    return {applyBps(patch, image, table, layout), layout};
}

} // namespace patch
