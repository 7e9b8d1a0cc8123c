#pragma once
// The sequences that move store records between the image and the slot texts.
// Each either completes or throws store::FileError with a message that says what failed
// and what the image holds; every read is done, and the image closed, before a
// slot text changes; no image handle outlives a call, and nothing outside the store
// table is written.

#include "ImageFile.h"
#include "StoreView.h"
#include "TableWrite.h"

#include <array>
#include <cstdint>
#include <optional>

namespace session {

using store::FileOps;
using store::MarkerBytes;
using store::ReadImage;
using store::Record;

// What the editor remembers of the image it shows, beyond its controls: which file
// Open read and its layout, which store's record the slot texts hold, and that
// store's seven bytes as they were on disk when last read or saved (nothing when
// that is not known).
struct ImageMemory {
    ReadImage image;
    int store = ::store::kNoStore;
    std::optional<Record> onDisk;
};

// What an Open reads, all of it, before the window changes.
struct OpeningRead {
    ReadImage image;
    Record storeZero{};
    MarkerBytes marker{};
};

// Open's reading: the store-0 record and the three marker bytes, with the image
// closed again.
OpeningRead readOpening(FileOps& ops, const std::string& path);

// Store read: the record of the selected store into the seven slot texts, from the
// file that Open read (refused when another file has taken its place, or when its
// size has moved it to the other layout). Remembers
// the store and its bytes in memory.
void readCurrentStore(StoreView& view, FileOps& ops, ImageMemory& memory);

// Store write: the seven slot texts into the record of the selected store, in one
// positioned write. Refuses, writing nothing, when a text is not an item id, when
// the selected store is not the one whose record the texts hold, when the path now
// names another file, or when the store's bytes on disk are no longer the ones
// remembered. Returns only after the bytes are written, flushed and the file closed.
void writeCurrentStore(const StoreView& view, FileOps& ops, ImageMemory& memory);

// Slot k's text := the decimal text of record's byte k.
void showRecord(StoreView& view, const Record& record);

// Builds the marker text from the three marker bytes, appending each byte's text to
// the marker text, and tells whether it reads as the possessed marker.
bool showMarker(StoreView& view, const MarkerBytes& marker);

} // namespace session
