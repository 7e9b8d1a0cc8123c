#include "Sentences.h"

#include "Quoting.h"

namespace session {

using store::Aftermath;
using store::Failure;
using store::FileError;

namespace {

constexpr char kOpenAgain[] = " Open it again with File > OpenRom to edit it.";

std::string capitalized(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

// What failed, without what the image holds after it.
std::string failureSentence(const FileError& e) {
    const std::string file = text::quotedForWindow(e.file);
    const std::string why = ": " + e.reason + ".";
    switch (e.failure) {
    case Failure::NoImageChosen:
        return "No ROM image is chosen.";
    case Failure::Open:
        return "Cannot open " + file + why;
    case Failure::OpenForReading:
        return "Cannot open " + file + " for reading" + why;
    case Failure::OpenForReadingAndWriting:
        return "Cannot open " + file + " for reading and writing" + why;
    case Failure::NotRegularFile:
        return "Cannot open " + file + ": it is not a regular file.";
    case Failure::TooShort:
        return file + " is " + e.shortfall() + ".";
    case Failure::Read:
        return "Reading " + file + " failed" + why;
    case Failure::ReadLength:
        return "Reading the length of " + file + " failed" + why;
    case Failure::Write:
        return "Writing " + file + " failed" + why;
    case Failure::Flush:
        return "Flushing " + file + " failed" + why;
    case Failure::Close:
        return "Closing " + file + " failed" + why;
    case Failure::WriteReadOnly:
        return "Writing " + file + " refused: it is open for reading only.";
    case Failure::WriteOutsideTable:
        return "Writing " + file + " refused: bytes " + std::to_string(e.first) + " to " +
               std::to_string(e.last) + " do not lie inside the store table.";
    case Failure::Replaced:
        return file + " is no longer the image that was opened: another file has taken its place." +
               kOpenAgain;
    case Failure::ChangedLayoutSinceOpened:
        return file + " has changed size since it was opened: it is now " +
               store::layoutName(e.layout) + ", and was " + store::layoutName(e.wasLayout) + "." +
               kOpenAgain;
    case Failure::ChangedLayoutSinceRead:
        return file + " has changed size since it was read: it is now " +
               store::layoutName(e.layout) + ", and was " + store::layoutName(e.wasLayout) +
               ". Another program has changed it." + kOpenAgain;
    case Failure::StoreChanged:
        return "Store " + std::to_string(e.store) + " in " + file +
               " is not as it was read: another program has changed it. Choose the store again "
               "to read it afresh.";
    case Failure::SizeChangedWhileOpen:
        return file + " changed size since it was opened for the save: another program is "
                      "changing it.";
    case Failure::SizeChangedWhileSaved:
        return "The image changed size while it was saved: " + file + " held " +
               std::to_string(e.lengthBefore) + " bytes and now holds " + std::to_string(e.length) +
               ". " + capitalized(e.stores) +
               " were written; another program is changing the image, check it before you use "
               "it.";
    case Failure::NoStoreSelected:
        return e.action + ": no store is selected. Choose a store by number or by name first.";
    case Failure::SlotNotAnItemId:
        return "Slot " + std::to_string(e.slot) + " holds " +
               text::quotedForWindow(e.reason, text::Length::Cut) +
               ", which is not an item id from 0 to 255.";
    case Failure::SlotsHoldAnotherStore:
        return "Cannot save: the slot fields do not hold the record of store " +
               std::to_string(e.store) + ". Choose the store again to read it.";
    case Failure::Refused:
        break;
    }
    return e.file.empty() ? capitalized(e.reason) + "." : file + ": " + e.reason + ".";
}

} // namespace

std::string sentenceFor(const FileError& e) {
    const std::string failure = failureSentence(e);
    switch (e.aftermath) {
    case Aftermath::None:
    case Aftermath::Written:
        return failure;
    case Aftermath::NothingWritten:
        return failure + " Nothing was written.";
    case Aftermath::PutBack:
        return failure + " The old bytes were put back; the image is as it was.";
    case Aftermath::PutBackThenFailed:
        return failure + " The old bytes were put back and flushed, so the image is as it was. " +
               (e.then ? sentenceFor(*e.then) : std::string());
    case Aftermath::PartlyWritten:
        return failure + " " + capitalized(e.stores) +
               " may be only partly written; check the image before you use it.";
    case Aftermath::WrittenThenFailed:
        return capitalized(e.stores) + " were written and flushed. " + failure +
               " Check the image before you use it.";
    case Aftermath::WrittenAndFlushed:
        return capitalized(e.stores) +
               " were written and flushed to disk, so the image holds them. " + failure;
    }
    return failure;
}

} // namespace session
