#include "TableFile.h"

#include "ImageError.h"
#include "TableWrite.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace store {

namespace {

struct Run {
    int first = 0, last = 0; // stores, both included
};

std::vector<std::uint8_t> bytesOf(const Table& table, const Run& run) {
    std::vector<std::uint8_t> bytes;
    for (int s = run.first; s <= run.last; ++s)
        bytes.insert(bytes.end(), table[s].begin(), table[s].end());
    return bytes;
}

} // namespace

Table tableFromBytes(std::span<const std::uint8_t> bytes) {
    Table table{};
    for (int s = kFirstStore; s <= kLastStore; ++s)
        std::memcpy(table[s].data(), bytes.data() + std::size_t(s) * kSlotsPerStore,
                    kSlotsPerStore);
    return table;
}

Table readTable(const ImageFile& image) {
    std::array<std::uint8_t, kTableBytes> bytes{};
    image.read(kTableFirst, bytes);
    return tableFromBytes(bytes);
}

Table readTableOf(FileOps& ops, const std::string& path) {
    std::array<std::uint8_t, kTableBytes> bytes{};
    ImageFile::readOnce(ops, path, kTableFirst, bytes);
    return tableFromBytes(bytes);
}

LoadResult loadStores(FileOps& ops, const std::string& path,
                      const std::vector<ListedStore>& stores) {
    LoadResult result;
    result.listed = static_cast<int>(stores.size());
    for (const ListedStore& store : stores)
        if (!isStoreNumber(store.store))
            throw ImageError("Store " + std::to_string(store.store) + " does not exist." +
                                 kNothingWritten,
                             "", "store " + std::to_string(store.store) + " does not exist");

    Table original{};
    FileIdentity identity;
    try {
        ImageFile image = ImageFile::open(ops, path, ImageFile::Access::ReadOnly);
        identity = image.identity();
        original = readTable(image);
        image.close();
    } catch (const ImageError& error) {
        throw error.nothingWritten();
    }

    Table target = original;
    std::vector<int> changed;
    for (const ListedStore& store : stores) {
        target[store.store] = store.ids;
        if (target[store.store] != original[store.store])
            changed.push_back(store.store);
    }
    result.changed = static_cast<int>(changed.size());
    if (changed.empty())
        return result;

    // One write per run of consecutive changed stores.
    std::sort(changed.begin(), changed.end());
    std::vector<Run> runs;
    for (int s : changed) {
        if (!runs.empty() && runs.back().last + 1 == s)
            runs.back().last = s;
        else
            runs.push_back({s, s});
    }
    std::vector<TableRun> tableRuns;
    for (const Run& run : runs)
        tableRuns.push_back(
            {slotPosition(run.first, kFirstSlot), bytesOf(original, run), bytesOf(target, run)});
    writeTableRuns(ops, path, identity, tableRuns);
    result.writes = static_cast<int>(runs.size());
    return result;
}

} // namespace store
