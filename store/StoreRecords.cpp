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
    try {
        image.emplace(ImageFile::open(view.fileName()));
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
        const char* consequence =
            written == 0 ? " Nothing was written."
            : written < kSlotsPerStore
                ? " The store was only partly written; check the image before you use it."
                : " The bytes may not have reached the disk; check the image before you use it.";
        throw ImageError(std::string(error.what()) + consequence);
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
