#pragma once
// The sequences that move store records between the image and the slot texts.
// Each either completes or throws ImageError with a message that says what failed;
// no image handle outlives a call, and nothing outside the store table is written.

#include "ImageFile.h"
#include "StoreView.h"

#include <array>
#include <cstdint>

namespace store {

using Record = std::array<std::uint8_t, kSlotsPerStore>;

// Store read: the record of the selected store into the seven slot texts. Refuses a
// missing selection before opening the file; the texts change only once all seven
// bytes have been read.
void ReadCurrentStore(StoreView& view);

// Store write: the seven slot texts into the record of the selected store. Every
// text is converted before any byte is written, so a refused text writes nothing;
// it returns only after the bytes are written, flushed and the file closed.
void WriteCurrentStore(StoreView& view);

// The record of store 0 into the slot texts, from an image already open.
void ReadStoreZero(const ImageFile& image, StoreView& view);

// Builds the marker text from the three marker bytes, appending each byte's text to
// the marker text, and tells whether it reads as the possessed marker.
bool ReadMarker(const ImageFile& image, StoreView& view);

// The record of a store as bytes, from an image already open.
Record readRecord(const ImageFile& image, int store);

} // namespace store
