#include "StoreRecords.h"

#include "Conversions.h"
#include "ImageError.h"
#include "TableWrite.h"

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
    if (image.identity() != memory.image.identity)
        throw ImageError(replacedMessage(image.path()));
    if (image.layout() != memory.image.layout)
        throw ImageError(
            quoted(image.path()) + " has changed size since it was opened: it is now " +
            layoutName(image.layout()) + ", and was " + layoutName(memory.image.layout) +
            ". Open it again with File > OpenRom to edit it.");
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

OpeningRead readOpening(FileOps& ops, const std::string& path) {
    ImageFile image = ImageFile::open(ops, path);
    OpeningRead read;
    read.image = {image.identity(), image.layout()};
    read.storeZero = image.readRecord(kFirstStore);
    read.marker = image.readMarker();
    image.close();
    return read;
}

void readCurrentStore(StoreView& view, FileOps& ops, ImageMemory& memory) {
    const int store = selectedStore(view, "Cannot read the store");
    ImageFile image = ImageFile::open(ops, view.fileName());
    requireOpenedFile(image, memory);
    const Record record = image.readRecord(store);
    image.close();
    memory.store = store;
    memory.onDisk = record;
    showRecord(view, record);
}

void writeCurrentStore(const StoreView& view, FileOps& ops, ImageMemory& memory) {
    const int store = selectedStore(view, "Cannot save");
    if (store != memory.store)
        throw ImageError("Cannot save: the slot fields do not hold the record of store " +
                         std::to_string(store) + ". Choose the store again to read it." +
                         kNothingWritten);
    const Record record = convertSlotTexts(view);

    const std::vector<std::uint8_t> bytes(record.begin(), record.end());
    TableRun run{store, std::nullopt, bytes};
    if (memory.onDisk)
        run.expected.emplace(memory.onDisk->begin(), memory.onDisk->end());
    try {
        writeTableRuns(ops, view.fileName(), memory.image, {run},
                       {" Choose the store again to read it afresh.",
                        " Open it again with File > OpenRom to edit it."});
    } catch (const TableWriteError& error) {
        if (error.state == ImageState::New)
            memory.onDisk = record;
        else if (error.state == ImageState::Unknown)
            memory.onDisk.reset();
        throw;
    }
    memory.onDisk = record;
}

void showRecord(StoreView& view, const Record& record) {
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot)
        view.setSlotText(slot, byteToText(record[slot - kFirstSlot]));
}

bool showMarker(StoreView& view, const MarkerBytes& marker) {
    // The program has always built the marker as text in its hidden marker field and
    // compared that text as a number ("66" "111" "111" is 66111111); kept, since the
    // field shows it.
    view.setMarkerText(byteToText(marker.front()));
    for (std::size_t i = 1; i < marker.size(); ++i)
        view.setMarkerText(view.markerText() + byteToText(marker[i]));
    const auto number = textToNumber(view.markerText());
    return number && *number == kPossessedMarker;
}

} // namespace store
