#include "TableWrite.h"

namespace store {

namespace {

int lastStoreOf(const TableRun& run) {
    return run.firstStore + int(run.replacement.size() / kSlotsPerStore) - 1;
}

Position firstPosition(const ImageFile& image, const TableRun& run) {
    return slotPosition(image.layout(), run.firstStore, kFirstSlot);
}

// "the seven bytes of store 12" for one record, else "stores 3 to 5, 9".
std::string storesText(const std::vector<TableRun>& runs) {
    if (runs.size() == 1 && runs[0].firstStore == lastStoreOf(runs[0]))
        return "the seven bytes of store " + std::to_string(runs[0].firstStore);
    std::string text = "stores ";
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const int first = runs[i].firstStore, last = lastStoreOf(runs[i]);
        text += (i == 0 ? "" : ", ") + std::to_string(first);
        if (last != first)
            text += " to " + std::to_string(last);
    }
    return text;
}

// After a failed write or flush: puts the runs written back as they were read, and
// says what the image now holds.
[[noreturn]] void putBackAndFail(ImageFile& image, const FileError& cause,
                                 const std::vector<TableRun>& written) {
    if (written.empty())
        throw cause.nothingWritten();
    try {
        for (const TableRun& run : written)
            image.write(firstPosition(image, run), *run.expected);
        image.flush();
    } catch (const FileError&) {
        FileError error = cause.after(Aftermath::PartlyWritten, ImageState::Unknown);
        error.stores = storesText(written);
        throw error;
    }
    try {
        image.close();
    } catch (const FileError& closing) {
        FileError error = cause.after(Aftermath::PutBackThenFailed, ImageState::AsBefore);
        error.then = std::make_shared<const FileError>(closing);
        throw error;
    }
    throw cause.after(Aftermath::PutBack, ImageState::AsBefore);
}

// A failure after every run was written.
[[noreturn]] void failAfterWriting(FileError error, Aftermath aftermath, ImageState state,
                                   const std::vector<TableRun>& runs) {
    error = error.after(aftermath, state);
    error.stores = storesText(runs);
    throw error;
}

} // namespace

void writeTableRuns(FileOps& ops, const std::string& path, const ReadImage& read,
                    const std::vector<TableRun>& runs) {
    std::optional<ImageFile> image;
    Position lengthBefore = 0;
    try {
        image.emplace(ImageFile::open(ops, path));
        if (image->identity() != read.identity)
            throw FileError(Failure::Replaced, path);
        // Its size has moved it to the other layout: its table lies elsewhere now,
        // so the bytes read are not the ones that would be written over.
        if (image->layout() != read.layout) {
            FileError error(Failure::ChangedLayoutSinceRead, path);
            error.layout = image->layout();
            error.wasLayout = read.layout;
            throw error;
        }
        for (const TableRun& run : runs) {
            std::vector<std::uint8_t> onDisk(run.replacement.size());
            image->read(firstPosition(*image, run), onDisk);
            if (!run.expected || *run.expected != onDisk) {
                FileError error(Failure::StoreChanged, path);
                error.store = run.firstStore;
                for (std::size_t i = 0; run.expected && i < onDisk.size(); ++i)
                    if (onDisk[i] != (*run.expected)[i]) {
                        error.store = run.firstStore + int(i / kSlotsPerStore);
                        break;
                    }
                throw error;
            }
        }
        lengthBefore = image->currentLength();
        if (lengthBefore != image->length())
            throw FileError(Failure::SizeChangedWhileOpen, path);
    } catch (const FileError& error) {
        throw error.nothingWritten();
    }

    std::vector<TableRun> written;
    for (const TableRun& run : runs) {
        try {
            image->write(firstPosition(*image, run), run.replacement);
        } catch (const WriteError& error) {
            if (error.partlyWritten)
                written.push_back(run);
            putBackAndFail(*image, error, written);
        }
        written.push_back(run);
    }
    try {
        image->flush();
    } catch (const FileError& error) {
        putBackAndFail(*image, error, written);
    }

    Position lengthAfter = 0;
    try {
        lengthAfter = image->currentLength();
    } catch (const FileError& error) {
        failAfterWriting(error, Aftermath::WrittenThenFailed, ImageState::Unknown, runs);
    }
    if (lengthAfter != lengthBefore) {
        FileError error(Failure::SizeChangedWhileSaved, path);
        error.lengthBefore = lengthBefore;
        error.length = lengthAfter;
        failAfterWriting(error, Aftermath::Written, ImageState::Unknown, runs);
    }
    try {
        image->close();
    } catch (const FileError& error) {
        failAfterWriting(error, Aftermath::WrittenAndFlushed, ImageState::New, runs);
    }
}

} // namespace store
