#pragma once
// Where the store table and the possession marker lie in a ROM image.
//
// Positions are 1-based (position 1 is the first byte of the file); the 0-based
// file offset of a position is the position minus 1.

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

namespace store {

using Position = std::int64_t;

inline constexpr int kStoreCount = 65;
inline constexpr int kFirstStore = 0;
inline constexpr int kLastStore = kStoreCount - 1;
inline constexpr int kSlotsPerStore = 7;
inline constexpr int kFirstSlot = 1;
inline constexpr int kLastSlot = kSlotsPerStore;
inline constexpr int kNoStore = -1;

// A store record: the item ids of slots 1 to 7.
using Record = std::array<std::uint8_t, kSlotsPerStore>;

// The whole store table, and the same as the bytes it is stored as.
using Table = std::array<Record, kStoreCount>;
inline constexpr std::size_t kTableBytes = std::size_t(kStoreCount) * kSlotsPerStore;
using TableBytes = std::array<std::uint8_t, kTableBytes>;

// The table held in the table's bytes (kTableBytes of them, from its first byte),
// and the other way round.
inline Table tableFromBytes(std::span<const std::uint8_t> bytes) {
    Table table{};
    for (int s = kFirstStore; s <= kLastStore; ++s)
        std::memcpy(table[s].data(), bytes.data() + std::size_t(s) * kSlotsPerStore,
                    kSlotsPerStore);
    return table;
}
inline TableBytes bytesOfTable(const Table& table) {
    TableBytes bytes{};
    for (int s = kFirstStore; s <= kLastStore; ++s)
        std::memcpy(bytes.data() + std::size_t(s) * kSlotsPerStore, table[s].data(),
                    kSlotsPerStore);
    return bytes;
}

// The position just before the table's first byte.
inline constexpr Position kTableBase = 1407161;
inline constexpr Position kTableFirst = kTableBase + 1;                           // 1407162
inline constexpr Position kTableLast = kTableBase + kStoreCount * kSlotsPerStore; // 1407616

inline constexpr std::array<Position, 3> kMarkerPositions = {66001, 66002, 66003};
// The marker bytes 66, 111, 111 ("Boo") written as joined decimal texts.
inline constexpr double kPossessedMarker = 66111111;

constexpr bool isStoreNumber(int store) {
    return store >= kFirstStore && store <= kLastStore;
}
constexpr bool inTable(Position p) {
    return p >= kTableFirst && p <= kTableLast;
}

// Store offset: the store number times the record size, as a signed 16-bit value,
// the type the program has always computed it in; 64 * 7 = 448 fits with room to spare.
constexpr std::int16_t storeOffset(int store) {
    return static_cast<std::int16_t>(store * kSlotsPerStore);
}

// The position just before store's first slot byte.
constexpr Position recordBase(int store) {
    return kTableBase + storeOffset(store);
}

// Position of slot (1..7) of store (0..64).
constexpr Position slotPosition(int store, int slot) {
    return recordBase(store) + slot;
}

// The positions above are those of an image with a 512-byte copier header in front
// of the game's data, as older dumps have. Most dumps have no header: the same game
// bytes lie 512 bytes earlier. An image's layout is told from its size alone, when
// it is read.
enum class Layout {
    CopierHeader, // a multiple of 1024 bytes plus 512: the positions above
    NoHeader,     // a whole number of 32 KiB banks: every position 512 bytes earlier
    OtherSize,    // any other size: the positions above, as they stand
};

inline constexpr Position kCopierHeaderBytes = 512;
inline constexpr Position kHeaderedSizeUnit = 1024;
inline constexpr Position kBankBytes = 32768;

constexpr Layout layoutOfSize(Position size) {
    if (size % kHeaderedSizeUnit == kCopierHeaderBytes)
        return Layout::CopierHeader;
    if (size > 0 && size % kBankBytes == 0)
        return Layout::NoHeader;
    return Layout::OtherSize;
}

// How many bytes earlier than the positions above a layout holds the game's bytes.
constexpr Position layoutShift(Layout layout) {
    return layout == Layout::NoHeader ? kCopierHeaderBytes : 0;
}

// The bytes of a copier header in front of an image of layout (0 when it has none).
constexpr Position headerBytes(Layout layout) {
    return layout == Layout::CopierHeader ? kCopierHeaderBytes : 0;
}

// The positions above, in an image of layout.
constexpr Position slotPosition(Layout layout, int store, int slot) {
    return slotPosition(store, slot) - layoutShift(layout);
}
constexpr Position tableFirst(Layout layout) {
    return kTableFirst - layoutShift(layout);
}
constexpr Position tableLast(Layout layout) {
    return kTableLast - layoutShift(layout);
}
constexpr Position markerFirst(Layout layout) {
    return kMarkerPositions.front() - layoutShift(layout);
}
constexpr bool inTable(Layout layout, Position p) {
    return p >= tableFirst(layout) && p <= tableLast(layout);
}
// The shortest image of layout that holds the whole table.
constexpr Position minimumLength(Layout layout) {
    return tableLast(layout);
}
// Whether a file of size bytes holds the whole table where its layout puts it.
constexpr bool holdsTable(Position size) {
    return size >= minimumLength(layoutOfSize(size));
}

// The layout's name as messages give it: "an image with a 512-byte copier header".
constexpr const char* layoutName(Layout layout) {
    switch (layout) {
    case Layout::CopierHeader:
        return "an image with a 512-byte copier header";
    case Layout::NoHeader:
        return "an image without a copier header";
    case Layout::OtherSize:
        break;
    }
    return "an image of neither layout's size";
}

static_assert(slotPosition(0, 1) == 1407162);
static_assert(slotPosition(64, 7) == 1407616);
// An image's length must reach the table's last byte; the marker lies well before it.
static_assert(markerFirst(Layout::CopierHeader) + 2 < tableFirst(Layout::CopierHeader));
static_assert(layoutOfSize(4 * 1024 * 1024 + 512) == Layout::CopierHeader);
static_assert(layoutOfSize(3 * 1024 * 1024) == Layout::NoHeader);
static_assert(layoutOfSize(kTableLast) == Layout::OtherSize);
static_assert(slotPosition(Layout::NoHeader, 0, 1) == 0x1576B9 + 1);
static_assert(tableLast(Layout::NoHeader) == 0x15787F + 1);
static_assert(markerFirst(Layout::NoHeader) == 0xFFD0 + 1);
// The two layouts' tables never overlap, so a byte of either belongs to one alone.
static_assert(tableLast(Layout::NoHeader) < kTableFirst);
// The marker bytes follow one another, so that one read takes all three.
static_assert(kMarkerPositions[1] == kMarkerPositions[0] + 1 &&
              kMarkerPositions[2] == kMarkerPositions[1] + 1);

} // namespace store
