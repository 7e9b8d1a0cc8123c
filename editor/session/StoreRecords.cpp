#include "StoreRecords.h"

#include "Conversions.h"
#include "FileError.h"
#include "TableWrite.h"

namespace session {

using namespace store;

namespace {

int selectedStore(const StoreView& view, const std::string& action) {
    const int store = view.storeSelection();
    if (!isStoreNumber(store)) {
        FileError error(Failure::NoStoreSelected, "");
        error.action = action;
        throw error.nothingWritten();
    }
    return store;
}

Record convertSlotTexts(const StoreView& view) {
    Record record{};
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const std::string text = view.slotText(slot);
        const auto byte = textToByte(text);
        if (!byte) {
            FileError error(Failure::SlotNotAnItemId, "", text);
            error.slot = slot;
            throw error.nothingWritten();
        }
        record[slot - kFirstSlot] = *byte;
    }
    return record;
}

void requireOpenedFile(const ImageFile& image, const ImageMemory& memory) {
    if (image.identity() != memory.image.identity)
        throw FileError(Failure::Replaced, image.path());
    if (image.layout() != memory.image.layout) {
        FileError error(Failure::ChangedLayoutSinceOpened, image.path());
        error.layout = image.layout();
        error.wasLayout = memory.image.layout;
        throw error;
    }
}

} // namespace

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
    if (store != memory.store) {
        FileError error(Failure::SlotsHoldAnotherStore, "");
        error.store = store;
        throw error.nothingWritten();
    }
    const Record record = convertSlotTexts(view);

    const std::vector<std::uint8_t> bytes(record.begin(), record.end());
    TableRun run{store, std::nullopt, bytes};
    if (memory.onDisk)
        run.expected.emplace(memory.onDisk->begin(), memory.onDisk->end());
    try {
        writeTableRuns(ops, view.fileName(), memory.image, {run});
    } catch (const FileError& error) {
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

} // namespace session
