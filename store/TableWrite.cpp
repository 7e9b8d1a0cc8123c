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

std::string capitalized(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

[[noreturn]] void fail(const ImageError& error, ImageState state) {
    throw TableWriteError(error, state);
}

// After a failed write or flush: puts the runs written back as they were read, and
// says what the image now holds.
[[noreturn]] void putBackAndFail(ImageFile& image, const ImageError& cause,
                                 const std::vector<TableRun>& written) {
    if (written.empty())
        fail(cause.nothingWritten(), ImageState::AsBefore);
    try {
        for (const TableRun& run : written)
            image.write(firstPosition(image, run), *run.expected);
        image.flush();
    } catch (const ImageError&) {
        const std::string what = storesText(written);
        fail(cause.extended(" " + capitalized(what) +
                                " may be only partly written; check the image before you use it.",
                            "; " + what +
                                " may be only partly written, check the image before "
                                "you use it"),
             ImageState::Unknown);
    }
    try {
        image.close();
    } catch (const ImageError& error) {
        fail(cause.extended(
                 " The old bytes were put back and flushed, so the image is as it was. " +
                     std::string(error.what()),
                 "; the old bytes were put back and flushed, so the image is as it was, but " +
                     error.detail()),
             ImageState::AsBefore);
    }
    fail(cause.extended(" The old bytes were put back; the image is as it was.",
                        "; the old bytes were put back, the image is as it was"),
         ImageState::AsBefore);
}

} // namespace

void writeTableRuns(FileOps& ops, const std::string& path, const ReadImage& read,
                    const std::vector<TableRun>& runs, const TableWriteHints& hints) {
    std::optional<ImageFile> image;
    Position lengthBefore = 0;
    try {
        image.emplace(ImageFile::open(ops, path));
        if (image->identity() != read.identity)
            throw ImageError(quoted(path) +
                                 " is no longer the image that was opened: another file has "
                                 "taken its place." +
                                 hints.openAgain,
                             path, "another file has taken its place since it was read");
        // Its size has moved it to the other layout: its table lies elsewhere now,
        // so the bytes read are not the ones that would be written over.
        if (image->layout() != read.layout)
            throw ImageError(
                quoted(path) + " has changed size since it was read: it is now " +
                    layoutName(image->layout()) + ", and was " + layoutName(read.layout) +
                    ". Another program has changed it." + hints.openAgain,
                path,
                std::string("changed size since it was read: it is now ") +
                    layoutName(image->layout()) + ", and was " + layoutName(read.layout));
        for (const TableRun& run : runs) {
            std::vector<std::uint8_t> onDisk(run.replacement.size());
            image->read(firstPosition(*image, run), onDisk);
            if (!run.expected || *run.expected != onDisk) {
                int differs = run.firstStore;
                for (std::size_t i = 0; run.expected && i < onDisk.size(); ++i)
                    if (onDisk[i] != (*run.expected)[i]) {
                        differs = run.firstStore + int(i / kSlotsPerStore);
                        break;
                    }
                const std::string store = "store " + std::to_string(differs);
                throw ImageError(capitalized(store) + " in " + quoted(path) +
                                     " is not as it was read: another program has changed it." +
                                     hints.readAgain,
                                 path,
                                 store + " is not as it was read: another program has changed "
                                         "it");
            }
        }
        lengthBefore = image->currentLength();
        if (lengthBefore != image->length())
            throw ImageError(quoted(path) +
                                 " changed size since it was opened for the save: another "
                                 "program is changing it.",
                             path,
                             "changed size since it was opened: another program is "
                             "changing it");
    } catch (const ImageError& error) {
        fail(error.nothingWritten(), ImageState::AsBefore);
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
    } catch (const ImageError& error) {
        putBackAndFail(*image, error, written);
    }

    const std::string what = storesText(runs);
    Position lengthAfter = 0;
    try {
        lengthAfter = image->currentLength();
    } catch (const ImageError& error) {
        fail(ImageError(capitalized(what) + " were written and flushed. " + error.what() +
                            " Check the image before you use it.",
                        path,
                        what + " were written and flushed, but " + error.detail() +
                            "; check the image before you use it"),
             ImageState::Unknown);
    }
    if (lengthAfter != lengthBefore) {
        const std::string sizes = "held " + std::to_string(lengthBefore) + " bytes and now holds " +
                                  std::to_string(lengthAfter);
        fail(ImageError("The image changed size while it was saved: " + quoted(path) + " " + sizes +
                            ". " + capitalized(what) +
                            " were written; another program is changing the image, check it "
                            "before you use it.",
                        path,
                        "changed size while it was saved: it " + sizes + "; " + what +
                            " were written, check the image before you use it"),
             ImageState::Unknown);
    }
    try {
        image->close();
    } catch (const ImageError& error) {
        fail(ImageError(capitalized(what) +
                            " were written and flushed to disk, so the image holds them. " +
                            error.what(),
                        path, what + " were written and flushed to disk, but " + error.detail()),
             ImageState::New);
    }
}

} // namespace store
