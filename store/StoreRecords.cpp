#include "StoreRecords.h"

#include "Conversions.h"
#include "ImageError.h"

namespace store {

namespace {

constexpr std::size_t kQuotedCharacters = 40;

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

int selectedStore(const StoreView& view, const std::string& action) {
    const int store = view.storeSelection();
    if (!isStoreNumber(store))
        throw ImageError(action +
                         ": no store is selected. Choose a store by number or by name "
                         "first." +
                         kNothingWritten);
    return store;
}

Record convertSlotTexts(const StoreView& view) {
    Record record{};
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::string text = view.slotText(slot);
        const auto byte = textToByte(text);
        if (!byte)
            throw ImageError("Slot " + std::to_string(slot) + " holds " + quoteText(text) +
                             ", which is not an item id from 0 to 255." + kNothingWritten);
        record[slot - kFirstSlot] = *byte;
    }
    return record;
}

std::string replacedMessage(const std::string& path) {
    return quoted(path) +
           " is no longer the image that was opened: another file has taken its place. Open "
           "it again with File > OpenRom to edit it.";
}

void requireOpenedFile(const ImageFile& image, const ImageMemory& memory) {
    if (image.identity() != memory.identity)
        throw ImageError(replacedMessage(image.path()));
}

// After a failed write or flush: puts back the record that was on disk and says
// what the image now holds.
std::string putBack(ImageFile& image, int store, const Record& original, ImageMemory& memory) {
    try {
        image.write(slotPosition(store, kFirstSlot), original);
        image.flush();
    } catch (const ImageError&) {
        memory.onDisk.reset();
        return " The store's seven bytes may be only partly written; check the image before "
               "you use it.";
    }
    try {
        image.close();
    } catch (const ImageError& error) {
        return " The old bytes were put back and flushed, so the image is as it was. " +
               std::string(error.what());
    }
    return " The old bytes were put back; the image is as it was.";
}

} // namespace

std::string quoteText(const std::string& text) {
    std::size_t characters = 0;
    std::size_t cut = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isContinuationByte(text[i]))
            continue;
        if (characters == kQuotedCharacters)
            cut = std::min(cut, i);
        ++characters;
    }
    if (characters <= kQuotedCharacters)
        return "\"" + text + "\"";
    return "\"" + text.substr(0, cut) + "\xE2\x80\xA6\" (a text of " + std::to_string(characters) +
           " characters)";
}

Record readRecord(const ImageFile& image, int store) {
    Record record{};
    image.read(slotPosition(store, kFirstSlot), record);
    return record;
}

OpeningRead ReadOpening(FileOps& ops, const std::string& path) {
    ImageFile image = ImageFile::open(ops, path);
    OpeningRead read;
    read.identity = image.identity();
    read.storeZero = readRecord(image, kFirstStore);
    image.read(kMarkerPositions.front(), read.marker);
    image.close();
    return read;
}

void ReadCurrentStore(StoreView& view, FileOps& ops, ImageMemory& memory) {
    const int store = selectedStore(view, "Cannot read the store");
    ImageFile image = ImageFile::open(ops, view.fileName());
    requireOpenedFile(image, memory);
    const Record record = readRecord(image, store);
    image.close();
    memory.store = store;
    memory.onDisk = record;
    ShowRecord(view, record);
}

void WriteCurrentStore(const StoreView& view, FileOps& ops, ImageMemory& memory) {
    const int store = selectedStore(view, "Cannot save");
    if (store != memory.store)
        throw ImageError("Cannot save: the slot fields do not hold the record of store " +
                         std::to_string(store) + ". Choose the store again to read it." +
                         kNothingWritten);
    const Record record = convertSlotTexts(view);

    std::optional<ImageFile> image;
    Position lengthBefore = 0;
    Record original{};
    try {
        image.emplace(ImageFile::open(ops, view.fileName()));
        requireOpenedFile(*image, memory);
        original = readRecord(*image, store);
        if (!memory.onDisk || original != *memory.onDisk)
            throw ImageError("Store " + std::to_string(store) + " in " + quoted(image->path()) +
                             " is not as it was read: another program has changed it. Choose "
                             "the store again to read it afresh.");
        lengthBefore = image->currentLength();
        if (lengthBefore != image->length())
            throw ImageError(quoted(image->path()) +
                             " changed size since it was opened for the save: another program "
                             "is changing it.");
    } catch (const ImageError& error) {
        throw ImageError(error.what() + std::string(kNothingWritten));
    }

    try {
        image->write(slotPosition(store, kFirstSlot), record);
    } catch (const WriteError& error) {
        if (!error.partlyWritten)
            throw ImageError(error.what() + std::string(kNothingWritten));
        throw ImageError(error.what() + putBack(*image, store, original, memory));
    }
    try {
        image->flush();
    } catch (const ImageError& error) {
        throw ImageError(error.what() + putBack(*image, store, original, memory));
    }

    Position lengthAfter = 0;
    try {
        lengthAfter = image->currentLength();
    } catch (const ImageError& error) {
        memory.onDisk.reset();
        throw ImageError("The seven bytes of store " + std::to_string(store) +
                         " were written and flushed. " + error.what() +
                         " Check the image before you use it.");
    }
    if (lengthAfter != lengthBefore) {
        memory.onDisk.reset();
        throw ImageError("The image changed size while it was saved: " + quoted(image->path()) +
                         " held " + std::to_string(lengthBefore) + " bytes and now holds " +
                         std::to_string(lengthAfter) +
                         ". Another program is changing it; check the image before you use it.");
    }

    memory.onDisk = record; // on disk now, whatever the close says
    try {
        image->close();
    } catch (const ImageError& error) {
        throw ImageError("The seven bytes of store " + std::to_string(store) +
                         " were written and flushed to disk, so the image holds the new "
                         "record. " +
                         error.what());
    }
}

void ShowRecord(StoreView& view, const Record& record) {
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot)
        view.setSlotText(slot, byteToText(record[slot - kFirstSlot]));
}

bool ShowMarker(StoreView& view, const MarkerBytes& marker) {
    view.setMarkerText(byteToText(marker.front()));
    for (std::size_t i = 1; i < marker.size(); ++i)
        view.setMarkerText(view.markerText() + byteToText(marker[i]));
    const auto number = textToNumber(view.markerText());
    return number && *number == kPossessedMarker;
}

} // namespace store
