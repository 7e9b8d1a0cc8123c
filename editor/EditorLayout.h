#pragma once
// The editor window's fixed layout, in twips from the top-left corner of the client
// area below the menu bar.

#include "Twips.h"

namespace editorLayout {

using twips::Place;
using twips::px;

inline constexpr int kClientWidth = 5280;
inline constexpr int kClientHeight = 4800;
inline constexpr int kScreenLeft = 5265; // the client area's top-left corner on screen
inline constexpr int kScreenTop = 3315;

inline constexpr Place kStoreNameListPlace{360, 480, 3735, 315};
inline constexpr Place kMarkerFieldPlace{5400, 6720, 1215, 285}; // outside the client area
inline constexpr Place kStoreNumberListPlace{4200, 480, 975, 315};
inline constexpr Place kSaveButtonPlace{4080, 4440, 975, 255};
inline constexpr Place kStoresLabelPlace{360, 120, 735, 255};

// Slot k's row: the item list on the left, the slot field on the right.
inline constexpr int kFirstRowTop = 960;
inline constexpr int kRowPitch = 480;
constexpr int rowTop(int slot) {
    return kFirstRowTop + kRowPitch * (slot - 1);
}
constexpr Place itemListPlace(int slot) {
    return {360, rowTop(slot), 3615, 315};
}
constexpr Place slotFieldPlace(int slot) {
    return {4440, rowTop(slot), 615, 285};
}

// Texts the window starts with.
inline constexpr char kCaption[] = "Quendle store edit";
inline constexpr char kPossessedCaption[] = "Quendle store edit Rom is possessed, Boo!";
inline constexpr char kRomFilter[] = "Snes Rom (*.smc)|*.smc*";
inline constexpr char kStoreZeroName[] = "Onett Drugstore 1";
inline constexpr char kSavedMessage[] = "saved current store";

// The window font: small enough that every text fits the fixed control heights.
inline constexpr int kFontPixelSize = 11;

} // namespace editorLayout
