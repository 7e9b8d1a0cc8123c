#include "StoreRecords.h"

#include "Conversions.h"
#include "ImageError.h"

#include <optional>

namespace store {

namespace {

int selectedStore(const StoreView& view, const char* action) {
    const int store = view.storeSelection();
    if (!isStoreNumber(store))
        throw ImageError(std::string(action) + ": no store is selected. Choose a store by number "
                                               "or by name first. Nothing was written.");
    return store;
}

void showRecord(StoreView& view, const Record& record) {
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot)
        view.setSlotText(slot, byteToText(record[slot - kFirstSlot]));
}

Record convertSlotTexts(const StoreView& view) {
    Record record{};
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::string text = view.slotText(slot);
        const auto byte = textToByte(text);
        if (!byte)
            throw ImageError("Slot " + std::to_string(slot) + " holds \"" + text +
                             "\", which is not an item id from 0 to 255. Nothing was written.");
        record[slot - kFirstSlot] = *byte;
    }
    return record;
}

// After a failed write: puts back the bytes that were overwritten and says what the
// image now holds.
std::string putBack(ImageFile& image, int store, const Record& original, int written) {
    if (written == 0)
        return " Nothing was written.";
    try {
        for (int slot = kFirstSlot; slot < kFirstSlot + written; ++slot)
            image.writeByte(slotPosition(store, slot), original[slot - kFirstSlot]);
        image.flush();
        image.close();
        return " The bytes already written were put back; the image is as it was.";
    } catch (const ImageError&) {
        return " The store may be only partly written and the image may have changed; check it "
               "before you use it.";
    }
}

} // namespace

Record readRecord(const ImageFile& image, int store) {
    Record record{};
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot)
        record[slot - kFirstSlot] = image.readByte(slotPosition(store, slot));
    return record;
}

void ReadCurrentStore(StoreView& view) {
    const int store = selectedStore(view, "Cannot read the store");
    ImageFile image = ImageFile::open(view.fileName());
    const Record record = readRecord(image, store);
    image.close();
    showRecord(view, record);
}

void WriteCurrentStore(StoreView& view) {
    const int store = selectedStore(view, "Cannot save");
    const Record record = convertSlotTexts(view);
    std::optional<ImageFile> image;
    Record original{};
    try {
        image.emplace(ImageFile::open(view.fileName()));
        original = readRecord(*image, store);
    } catch (const ImageError& error) {
        throw ImageError(std::string(error.what()) + " Nothing was written.");
    }
    int written = 0;
    try {
        for (int slot = kFirstSlot; slot <= kLastSlot; ++slot, ++written)
            image->writeByte(slotPosition(store, slot), record[slot - kFirstSlot]);
        image->flush();
        image->close();
    } catch (const ImageError& error) {
        throw ImageError(std::string(error.what()) + putBack(*image, store, original, written));
    }
}

void ReadStoreZero(const ImageFile& image, StoreView& view) {
    showRecord(view, readRecord(image, kFirstStore));
}

bool ReadMarker(const ImageFile& image, StoreView& view) {
    view.setMarkerText(byteToText(image.readByte(kMarkerPositions[0])));
    for (std::size_t i = 1; i < kMarkerPositions.size(); ++i)
        view.setMarkerText(view.markerText() + byteToText(image.readByte(kMarkerPositions[i])));
    const auto marker = textToNumber(view.markerText());
    return marker && *marker == kPossessedMarker;
}

} // namespace store
