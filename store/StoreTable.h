#pragma once
// Where the store table and the possession marker lie in a ROM image.
//
// Positions are 1-based (position 1 is the first byte of the file); the 0-based
// file offset of a position is the position minus 1.

#include <array>
#include <cstdint>

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

// The image's length must reach the table's last byte; the marker lies well before it.
inline constexpr Position kMinimumImageLength = kTableLast;

static_assert(slotPosition(0, 1) == 1407162);
static_assert(slotPosition(64, 7) == 1407616);
static_assert(kMarkerPositions.back() < kMinimumImageLength);
// The marker bytes follow one another, so that one read takes all three.
static_assert(kMarkerPositions[1] == kMarkerPositions[0] + 1 &&
              kMarkerPositions[2] == kMarkerPositions[1] + 1);

} // namespace store
