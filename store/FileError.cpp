#include "FileError.h"

#include <cstring>

namespace store {

const char* FileError::failureName(Failure failure) noexcept {
    switch (failure) {
    case Failure::NoImageChosen:
        return "no ROM image is chosen";
    case Failure::Open:
    case Failure::OpenForReading:
    case Failure::OpenForReadingAndWriting:
        return "cannot open";
    case Failure::NotRegularFile:
        return "not a regular file";
    case Failure::TooShort:
        return "too short to be the ROM image";
    case Failure::Read:
    case Failure::ReadLength:
        return "cannot read";
    case Failure::Write:
        return "cannot write";
    case Failure::Flush:
        return "cannot flush";
    case Failure::Close:
        return "cannot close";
    case Failure::WriteReadOnly:
        return "open for reading only";
    case Failure::WriteOutsideTable:
        return "outside the store table";
    case Failure::Replaced:
        return "another file has taken its place";
    case Failure::ChangedLayoutSinceOpened:
    case Failure::ChangedLayoutSinceRead:
    case Failure::SizeChangedWhileOpen:
    case Failure::SizeChangedWhileSaved:
        return "changed size";
    case Failure::StoreChanged:
        return "store changed";
    case Failure::NoStoreSelected:
        return "no store is selected";
    case Failure::SlotNotAnItemId:
        return "not an item id";
    case Failure::SlotsHoldAnotherStore:
        return "the slots hold another store";
    case Failure::Refused:
        break;
    }
    return "refused";
}

std::string FileError::shortfall() const {
    // The headered positions are the ones every other size keeps, and the ones the
    // message has always named; a header-less image says which table it means.
    const std::string table = layout == Layout::NoHeader
                                  ? std::string("the store table of ") + layoutName(layout)
                                  : std::string("the store table");
    return "too short to be the ROM image: it holds " + std::to_string(length) + " bytes, and " +
           table + " ends at byte " + std::to_string(minimumLength(layout));
}

FileError callFailed(Failure failure, const std::string& file, int error) {
    return FileError(failure, file, std::strerror(error));
}

} // namespace store
