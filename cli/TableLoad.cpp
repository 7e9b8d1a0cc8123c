#include "TableLoad.h"

namespace cli {

using namespace store;

namespace {

struct StoreRange {
    int first = 0, last = 0; // stores, both included
};

std::vector<std::uint8_t> bytesOf(const Table& table, const StoreRange& run) {
    std::vector<std::uint8_t> bytes;
    for (int s = run.first; s <= run.last; ++s)
        bytes.insert(bytes.end(), table[s].begin(), table[s].end());
    return bytes;
}

} // namespace

TableChange
readTableChange(FileOps& ops, const std::string& path,
                const std::function<Table(const ImageFile& image, const Table& table)>& change) {
    try {
        ImageFile image = ImageFile::open(ops, path, ImageFile::Access::ReadOnly);
        TableChange result;
        result.image = {image.identity(), image.layout()};
        result.original = image.readTable();
        result.target = change(image, result.original);
        image.close();
        return result;
    } catch (const FileError& error) {
        throw error.nothingWritten();
    }
}

LoadResult writeTableChange(FileOps& ops, const std::string& path, const TableChange& change) {
    std::vector<int> changed;
    for (int s = kFirstStore; s <= kLastStore; ++s)
        if (change.target[s] != change.original[s])
            changed.push_back(s);
    LoadResult result;
    result.changed = static_cast<int>(changed.size());
    if (changed.empty())
        return result;

    // One write per run of consecutive changed stores.
    std::vector<StoreRange> runs;
    for (int s : changed) {
        if (!runs.empty() && runs.back().last + 1 == s)
            runs.back().last = s;
        else
            runs.push_back({s, s});
    }
    std::vector<TableRun> tableRuns;
    for (const StoreRange& run : runs)
        tableRuns.push_back(
            {run.first, bytesOf(change.original, run), bytesOf(change.target, run)});
    writeTableRuns(ops, path, change.image, tableRuns);
    result.writes = static_cast<int>(runs.size());
    return result;
}

} // namespace cli
