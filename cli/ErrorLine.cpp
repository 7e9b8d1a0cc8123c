#include "ErrorLine.h"

#include "Inputs.h"
#include "Quoting.h"

namespace cli {

using store::Aftermath;
using store::Failure;
using store::FileError;

namespace {

// What failed, as a phrase that does not repeat the file's name.
std::string failurePhrase(const FileError& e) {
    const std::string why = ": " + e.reason;
    switch (e.failure) {
    case Failure::NoImageChosen:
        return "no ROM image is chosen";
    case Failure::Open:
        return "cannot open" + why;
    case Failure::OpenForReading:
        return "cannot open for reading" + why;
    case Failure::OpenForReadingAndWriting:
        return "cannot open for reading and writing" + why;
    case Failure::NotRegularFile:
        return "cannot open: not a regular file";
    case Failure::TooShort:
        return e.shortfall();
    case Failure::Read:
        return "cannot read" + why;
    case Failure::ReadLength:
        return "cannot read the length" + why;
    case Failure::Write:
        return "cannot write" + why;
    case Failure::Flush:
        return "cannot flush" + why;
    case Failure::Close:
        return "cannot close" + why;
    case Failure::WriteReadOnly:
        return "cannot write: it is open for reading only";
    case Failure::WriteOutsideTable:
        return "cannot write: bytes " + std::to_string(e.first) + " to " + std::to_string(e.last) +
               " do not lie inside the store table";
    case Failure::Replaced:
        return "another file has taken its place since it was read";
    case Failure::ChangedLayoutSinceOpened:
    case Failure::ChangedLayoutSinceRead:
        return std::string("changed size since it was read: it is now ") +
               store::layoutName(e.layout) + ", and was " + store::layoutName(e.wasLayout);
    case Failure::StoreChanged:
        return "store " + std::to_string(e.store) +
               " is not as it was read: another program has changed it";
    case Failure::SizeChangedWhileOpen:
        return "changed size since it was opened: another program is changing it";
    case Failure::SizeChangedWhileSaved:
        return "changed size while it was saved: it held " + std::to_string(e.lengthBefore) +
               " bytes and now holds " + std::to_string(e.length) + "; " + e.stores +
               " were written, check the image before you use it";
    case Failure::NoStoreSelected:
        return "no store is selected";
    case Failure::SlotNotAnItemId:
        return "slot " + std::to_string(e.slot) + " is not an item id from 0 to 255";
    case Failure::SlotsHoldAnotherStore:
        return "the slots do not hold the record of store " + std::to_string(e.store);
    case Failure::Refused:
        break;
    }
    return e.reason;
}

// What failed and what the image now holds.
std::string detailOf(const FileError& e) {
    const std::string failure = failurePhrase(e);
    switch (e.aftermath) {
    case Aftermath::None:
    case Aftermath::Written:
        return failure;
    case Aftermath::NothingWritten:
        return failure + "; nothing was written";
    case Aftermath::PutBack:
        return failure + "; the old bytes were put back, the image is as it was";
    case Aftermath::PutBackThenFailed:
        return failure +
               "; the old bytes were put back and flushed, so the image is as it was, but " +
               (e.then ? detailOf(*e.then) : std::string());
    case Aftermath::PartlyWritten:
        return failure + "; " + e.stores +
               " may be only partly written, check the image before you use it";
    case Aftermath::WrittenThenFailed:
        return e.stores + " were written and flushed, but " + failure +
               "; check the image before you use it";
    case Aftermath::WrittenAndFlushed:
        return e.stores + " were written and flushed to disk, but " + failure;
    }
    return failure;
}

} // namespace

std::string nameOf(const std::string& file) {
    return file == kStandardStream ? std::string("standard input")
                                   : text::quotedForTerminal(file, text::Length::Whole);
}

std::string lineFor(const FileError& error) {
    const std::string detail = text::escaped(detailOf(error));
    return error.file.empty() ? detail : nameOf(error.file) + ": " + detail;
}

} // namespace cli
