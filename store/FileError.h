#pragma once
// The one failure type of file access and of the sequences built on it. It holds
// facts, not sentences: the file, what failed and why, and what the image holds
// afterwards. The editor renders it as a sentence in a message box, the command as
// a line on standard error; each renders it where it shows it, and nowhere else.

#include "StoreTable.h"

#include <exception>
#include <memory>
#include <string>

namespace store {

// What failed.
enum class Failure {
    NoImageChosen,            // no file name was given
    Open,                     // reason: why (the status of the opened file could not be read)
    OpenForReading,           // reason: why
    OpenForReadingAndWriting, // reason: why
    NotRegularFile,           // a directory, a FIFO, a device
    TooShort,                 // length; layout: the layout of that length
    Read,                     // reason: why
    ReadLength,               // reason: why
    Write,                    // reason: why
    Flush,                    // reason: why
    Close,                    // reason: why
    WriteReadOnly,            // a write through a handle opened for reading only
    WriteOutsideTable,        // first, last: the bytes asked for
    Replaced,                 // another file has taken the path's place since it was read
    ChangedLayoutSinceOpened, // layout: now; wasLayout: when the window opened it
    ChangedLayoutSinceRead,   // layout: now; wasLayout: when it was read
    StoreChanged,             // store: the first whose bytes are not as they were read
    SizeChangedWhileOpen,     // between the save's open and its writes
    SizeChangedWhileSaved,    // lengthBefore, length: between the writes and the close
    NoStoreSelected,          // action: what could not be done
    SlotNotAnItemId,          // slot, reason: its text
    SlotsHoldAnotherStore,    // store: the one selected
    Refused,                  // reason: a phrase that says all (an input, an output)
};

// What the image holds after the failure.
enum class ImageState {
    AsBefore, // nothing was written, or what was written has been put back and flushed
    New,      // every run was written and flushed (the failure came after)
    Unknown,  // some runs may be partly written
};

// What was done about the image before or after the failure, as messages tell it.
enum class Aftermath {
    None,              // nothing to say (a read, a refusal of a command's own file)
    NothingWritten,    // nothing was written
    PutBack,           // written bytes were put back and flushed
    PutBackThenFailed, // put back and flushed, and then `then` failed (the close)
    PartlyWritten,     // putting back failed: `stores` may be only partly written
    WrittenThenFailed, // `stores` were written and flushed, then this failure came
    Written,           // `stores` were written, and this failure came with them
    WrittenAndFlushed, // `stores` were written and flushed to disk, then the close failed
};

class FileError : public std::exception {
public:
    FileError(Failure failure, std::string file, std::string reason = {})
        : failure(failure), file(std::move(file)), reason(std::move(reason)) {}

    Failure failure;
    std::string file;   // the path as given, empty when the failure concerns no file
    std::string reason; // strerror's text, a phrase, or a slot's text (see Failure)

    // Facts that some failures carry.
    Position length = 0, lengthBefore = 0, first = 0, last = 0;
    Layout layout = Layout::OtherSize, wasLayout = Layout::OtherSize;
    int store = kNoStore, slot = 0;
    std::string action;

    ImageState state = ImageState::AsBefore;
    Aftermath aftermath = Aftermath::None;
    std::string stores; // "the seven bytes of store 12", "stores 3 to 5, 9"
    std::shared_ptr<const FileError> then;

    // The same failure, with what the image holds after it.
    FileError after(Aftermath what, ImageState holds) const {
        FileError error = *this;
        error.aftermath = what;
        error.state = holds;
        return error;
    }
    FileError nothingWritten() const {
        return after(Aftermath::NothingWritten, ImageState::AsBefore);
    }

    // A plain description for logs and tests: the reason, or the failure's name.
    const char* what() const noexcept override {
        return reason.empty() ? failureName(failure) : reason.c_str();
    }
    static const char* failureName(Failure failure) noexcept;

    // TooShort's phrase, alike in every message: "too short to be the ROM image: it
    // holds 0 bytes, and the store table ends at byte 1407616".
    std::string shortfall() const;
};

// The refusal of a file call, with errno's text as the reason.
FileError callFailed(Failure failure, const std::string& file, int error);

// A write that failed: partlyWritten tells whether some of its bytes may have
// reached the file, so that the caller knows whether to put the old bytes back.
class WriteError : public FileError {
public:
    WriteError(const FileError& error, bool partlyWritten)
        : FileError(error), partlyWritten(partlyWritten) {}
    bool partlyWritten;
};

} // namespace store
