#include "TableFile.h"

#include "ImageError.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace store {

namespace {

constexpr std::size_t kTableBytes = std::size_t(kStoreCount) * kSlotsPerStore;

struct Run {
    int first = 0, last = 0; // stores, both included
};

std::string storesText(const std::vector<Run>& runs) {
    std::string text;
    for (const Run& run : runs) {
        if (!text.empty())
            text += ", ";
        text += std::to_string(run.first);
        if (run.last != run.first)
            text += " to " + std::to_string(run.last);
    }
    return text;
}

std::vector<std::uint8_t> bytesOf(const Table& table, const Run& run) {
    std::vector<std::uint8_t> bytes;
    for (int s = run.first; s <= run.last; ++s)
        bytes.insert(bytes.end(), table[s].begin(), table[s].end());
    return bytes;
}

Table tableFromBytes(const std::uint8_t* bytes) {
    Table table{};
    for (int s = kFirstStore; s <= kLastStore; ++s)
        std::memcpy(table[s].data(), bytes + std::size_t(s) * kSlotsPerStore, kSlotsPerStore);
    return table;
}

// After a failed write or flush: puts the runs written back as they were, and says
// what the image now holds.
std::string putBack(ImageFile& image, const Table& original, const std::vector<Run>& written) {
    if (written.empty())
        return kNothingWritten;
    try {
        for (const Run& run : written)
            image.write(slotPosition(run.first, kFirstSlot), bytesOf(original, run));
        image.flush();
    } catch (const ImageError&) {
        return " Stores " + storesText(written) +
               " may hold some of the new records; check the image before you use it.";
    }
    try {
        image.close();
    } catch (const ImageError& error) {
        return " The old records were put back and flushed, so the image is as it was. " +
               std::string(error.what());
    }
    return " The old records were put back; the image is as it was.";
}

} // namespace

Table readTable(const ImageFile& image) {
    std::array<std::uint8_t, kTableBytes> bytes{};
    image.read(kTableFirst, bytes);
    return tableFromBytes(bytes.data());
}

Table readTableOf(FileOps& ops, const std::string& path) {
    std::array<std::uint8_t, kTableBytes> bytes{};
    ImageFile::readOnce(ops, path, kTableFirst, bytes);
    return tableFromBytes(bytes.data());
}

Table tableOfBytes(std::string_view bytes, const std::string& name) {
    if (bytes.size() < std::size_t(kMinimumImageLength))
        throw ImageError(quoted(name) + " is too short to be the ROM image: it holds " +
                         std::to_string(bytes.size()) +
                         " bytes, and the store table ends at byte " +
                         std::to_string(kMinimumImageLength) + ".");
    return tableFromBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()) + kTableFirst - 1);
}

LoadResult loadStores(FileOps& ops, const std::string& path,
                      const std::vector<ListedStore>& stores) {
    LoadResult result;
    result.listed = static_cast<int>(stores.size());

    std::optional<ImageFile> image;
    Table original{};
    try {
        image.emplace(ImageFile::open(ops, path));
        original = readTable(*image);
    } catch (const ImageError& error) {
        throw ImageError(error.what() + std::string(kNothingWritten));
    }
    Table target = original;
    std::vector<int> listed;
    for (const ListedStore& store : stores) {
        if (!isStoreNumber(store.store))
            throw ImageError("Store " + std::to_string(store.store) + " does not exist." +
                             kNothingWritten);
        target[store.store] = store.ids;
        listed.push_back(store.store);
        result.changed += target[store.store] != original[store.store];
    }
    if (result.changed == 0) {
        image->close(); // only read: a failing close changes nothing
        return result;
    }

    // One write per run of consecutive listed stores.
    std::sort(listed.begin(), listed.end());
    std::vector<Run> runs;
    for (int s : listed) {
        if (!runs.empty() && runs.back().last + 1 == s)
            runs.back().last = s;
        else
            runs.push_back({s, s});
    }

    Position lengthBefore = 0;
    try {
        lengthBefore = image->currentLength();
    } catch (const ImageError& error) {
        throw ImageError(error.what() + std::string(kNothingWritten));
    }
    if (lengthBefore != image->length())
        throw ImageError(quoted(path) +
                         " changed size since it was opened: another program is "
                         "changing it." +
                         kNothingWritten);

    std::vector<Run> written;
    for (const Run& run : runs) {
        try {
            image->write(slotPosition(run.first, kFirstSlot), bytesOf(target, run));
        } catch (const WriteError& error) {
            if (error.partlyWritten)
                written.push_back(run);
            throw ImageError(error.what() + putBack(*image, original, written));
        }
        written.push_back(run);
        ++result.writes;
    }
    try {
        image->flush();
    } catch (const ImageError& error) {
        throw ImageError(error.what() + putBack(*image, original, written));
    }
    Position lengthAfter = 0;
    try {
        lengthAfter = image->currentLength();
    } catch (const ImageError& error) {
        throw ImageError("Stores " + storesText(written) + " were written and flushed. " +
                         error.what() + " Check the image before you use it.");
    }
    if (lengthAfter != lengthBefore)
        throw ImageError("The image changed size while it was written: " + quoted(path) + " held " +
                         std::to_string(lengthBefore) + " bytes and now holds " +
                         std::to_string(lengthAfter) + ". Stores " + storesText(written) +
                         " were written; another program is changing the image, check it "
                         "before you use it.");
    try {
        image->close();
    } catch (const ImageError& error) {
        throw ImageError("Stores " + storesText(written) +
                         " were written and flushed to disk, so the image holds the new "
                         "records. " +
                         error.what());
    }
    return result;
}

} // namespace store
