#include "TableText.h"

#include "ItemCatalog.h"
#include "StoreCatalog.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace text {

using namespace store;

namespace {

constexpr int kNotListed = 0;
constexpr int kMaxId = 255;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The words of a line, after its comment is cut off.
std::vector<std::string_view> words(std::string_view line) {
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
    std::vector<std::string_view> result;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i]))
            ++i;
        if (i > start)
            result.push_back(line.substr(start, i - start));
    }
    return result;
}

std::string joined(const std::vector<std::string_view>& list) {
    std::string text;
    for (const auto& word : list) {
        if (!text.empty())
            text += ' ';
        text += word;
    }
    return text;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

} // namespace

std::optional<int> parseDecimal(std::string_view word, int limit) {
    if (word.empty() || word.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    const auto significant = word.find_first_not_of('0');
    if (significant == std::string_view::npos)
        return 0;
    word = word.substr(significant);
    if (word.size() > 9) // past any limit here, and past int's range
        return limit + 1;
    int value = 0;
    std::from_chars(word.data(), word.data() + word.size(), value);
    return value > limit ? limit + 1 : value;
}

std::string tableTextFormatLine() {
    return std::string(kTableTextFormat) + " " + std::to_string(kTableTextVersion);
}

TableText parseTableText(std::string_view text) {
    TableText result;
    std::array<int, kStoreCount> listedOn{}; // the line that listed each store
    listedOn.fill(kNotListed);
    bool formatSeen = false;
    int lineNumber = 0;
    std::size_t start = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (start < text.size()) {
        const auto end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        const auto list = words(line);
        if (list.empty())
            continue;
        const auto noteError = [&](std::string_view atFault, std::string expected) {
            if (++result.errorCount <= kKeptErrors)
                result.errors.push_back({lineNumber, std::string(atFault), std::move(expected)});
        };

        if (!formatSeen) {
            formatSeen = true;
            if (list[0] != kTableTextFormat)
                noteError(joined(list), "the format line \"" + tableTextFormatLine() + "\"");
            else if (list.size() != 2 || list[1] != std::to_string(kTableTextVersion))
                noteError(joined(list), "version " + std::to_string(kTableTextVersion) +
                                            " of the format (\"" + tableTextFormatLine() + "\")");
            continue;
        }

        const auto store = parseDecimal(list[0], kLastStore);
        if (!store) {
            noteError(list[0], "a store number from 0 to 64");
            continue;
        }
        if (*store > kLastStore) {
            noteError(list[0], "a store number from 0 to 64 (there is no store " +
                                   std::string(list[0]) + ")");
            continue;
        }
        bool good = true;
        if (list.size() < 1 + kSlotsPerStore) {
            noteError(joined(list), "7 item ids after the store number; " +
                                        std::to_string(list.size() - 1) + " given, slot " +
                                        std::to_string(list.size()) + " is missing");
            good = false;
        } else if (list.size() > 1 + kSlotsPerStore) {
            noteError(
                list[1 + kSlotsPerStore],
                "7 item ids after the store number; this is an extra one (put names after #)");
            good = false;
        }
        ListedStore listed{*store, {}};
        for (std::size_t k = 1; k < list.size() && k <= kSlotsPerStore; ++k) {
            const auto id = parseDecimal(list[k], kMaxId);
            if (!id || *id > kMaxId) {
                noteError(list[k], "an item id from 0 to 255 for slot " + std::to_string(k));
                good = false;
                continue;
            }
            listed.ids[k - 1] = static_cast<std::uint8_t>(*id);
        }
        if (listedOn[*store] != kNotListed) {
            noteError(list[0], "each store at most once; store " + std::to_string(*store) +
                                   " is listed on line " + std::to_string(listedOn[*store]) +
                                   " already");
            continue;
        }
        listedOn[*store] = lineNumber;
        if (good)
            result.stores.push_back(listed);
    }
    if (!formatSeen && ++result.errorCount <= kKeptErrors)
        result.errors.push_back({lineNumber == 0 ? 1 : lineNumber, "",
                                 "the format line \"" + tableTextFormatLine() + "\""});
    return result;
}

std::optional<SourceKind> SourceSniffer::feed(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size() && state_ != State::Decided; ++i) {
        const char c = bytes[i];
        switch (state_) {
        case State::Start:
            if (c == kByteOrderMark[matched_]) {
                if (++matched_ == kByteOrderMark.size()) {
                    matched_ = 0;
                    state_ = State::LineStart;
                }
                continue;
            }
            if (matched_ != 0) { // a part of a byte order mark: no text begins so
                kind_ = SourceKind::Image;
                state_ = State::Decided;
                continue;
            }
            state_ = State::LineStart;
            [[fallthrough]];
        case State::LineStart:
            if (isBlank(c) || c == '\n')
                continue;
            if (c == '#') {
                state_ = State::Comment;
                continue;
            }
            state_ = State::Name;
            matched_ = 0;
            [[fallthrough]];
        case State::Name:
            if (matched_ == kTableTextFormat.size()) {
                // The name must stand as a word of its own.
                kind_ = isBlank(c) || c == '\n' || c == '#' ? SourceKind::Text : SourceKind::Image;
                state_ = State::Decided;
            } else if (c == kTableTextFormat[matched_]) {
                ++matched_;
            } else {
                kind_ = SourceKind::Image;
                state_ = State::Decided;
            }
            continue;
        case State::Comment:
            if (c == '\n')
                state_ = State::LineStart;
            continue;
        case State::Decided:
            break;
        }
    }
    if (state_ == State::Decided)
        return kind_;
    return std::nullopt;
}

SourceKind SourceSniffer::finish() {
    if (state_ == State::Name && matched_ == kTableTextFormat.size())
        return SourceKind::Text; // the name ends the bytes
    return state_ == State::Decided ? kind_ : SourceKind::Image;
}

SourceKind sourceKind(std::string_view bytes) {
    SourceSniffer sniffer;
    if (const auto kind = sniffer.feed(bytes))
        return *kind;
    return sniffer.finish();
}

std::string itemName(std::uint8_t id) {
    std::string_view name = catalog::kItemNames[id];
    while (!name.empty() && name.front() == ' ')
        name.remove_prefix(1);
    return std::string(name);
}

namespace {

// The pieces of a dump's lines, made once: every number column and every name as
// it stands in a line, each in a slot of fixed size, so that writing a table is
// copying whole slots (one or two machine moves each) and counting their lengths.
constexpr std::size_t kNameSlot = 24;  // " | " and the longest item name fit
constexpr std::size_t kStoreSlot = 48; // "  # " and the longest store name fit
constexpr std::size_t kNumberSlot = 4; // " 213", "12  "

template <std::size_t Size> struct Piece {
    std::array<char, Size> bytes{};
    std::uint8_t length = 0;
    void set(const std::string& text) {
        if (text.size() > Size)
            std::abort(); // the catalogues' names are fixed, and the slots made for them
        std::memcpy(bytes.data(), text.data(), text.size());
        length = static_cast<std::uint8_t>(text.size());
    }
};

struct LinePieces {
    std::array<Piece<kNumberSlot>, store::kStoreCount> storeNumber; // "12  "
    std::array<Piece<kStoreSlot>, store::kStoreCount> storeName;    // "  # Burglin Park Egg Stand"
    std::array<Piece<kNumberSlot>, catalog::kItemCount> id;         // " 213"
    std::array<Piece<kNameSlot>, catalog::kItemCount> itemName;     // " | Big league bat"
};

std::string padded(int value, std::size_t width) {
    std::string text = std::to_string(value);
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

const LinePieces& linePieces() {
    static const LinePieces pieces = [] {
        LinePieces made;
        for (int s = kFirstStore; s <= kLastStore; ++s) {
            made.storeNumber[s].set(padded(s, 2) + " ");
            made.storeName[s].set("  # " + std::string(catalog::kStoreNames[s]));
        }
        for (int id = 0; id < catalog::kItemCount; ++id) {
            made.id[id].set(" " + padded(id, 3));
            made.itemName[id].set(" | " + itemName(std::uint8_t(id)));
        }
        return made;
    }();
    return pieces;
}

// Copies a whole slot and moves on by the piece's length: the buffer has room for
// the slot's excess at every step.
template <std::size_t Size> void put(char*& at, const Piece<Size>& piece) {
    std::memcpy(at, piece.bytes.data(), Size);
    at += piece.length;
}

constexpr std::size_t kLongestLine =
    kNumberSlot + kSlotsPerStore * kNumberSlot + kStoreSlot + kSlotsPerStore * kNameSlot + 1;

} // namespace

void formatTableText(const Table& table, std::string& out) {
    static const std::string head =
        tableTextFormatLine() +
        "\n# Each line: a store number, then the item ids of its slots 1 to 7. After '#',\n"
        "# the store's name and the items' names, which are not read back.\n";
    const LinePieces& pieces = linePieces();
    out.resize(head.size() + std::size_t(kStoreCount) * kLongestLine);
    char* at = out.data();
    std::memcpy(at, head.data(), head.size());
    at += head.size();
    for (int s = kFirstStore; s <= kLastStore; ++s) {
        put(at, pieces.storeNumber[s]);
        for (std::uint8_t id : table[s])
            put(at, pieces.id[id]);
        put(at, pieces.storeName[s]);
        for (std::uint8_t id : table[s])
            put(at, pieces.itemName[id]);
        *at++ = '\n';
    }
    out.resize(std::size_t(at - out.data()));
}

std::string formatTableText(const Table& table) {
    std::string out;
    formatTableText(table, out);
    return out;
}

Stores allStores(const Table& table) {
    Stores stores;
    for (int s = kFirstStore; s <= kLastStore; ++s)
        stores[s] = table[s];
    return stores;
}

std::vector<SlotChange> differences(const Stores& a, const Stores& b) {
    std::vector<SlotChange> changes;
    for (int s = kFirstStore; s <= kLastStore; ++s) {
        if (!a[s] || !b[s])
            continue;
        for (int k = kFirstSlot; k <= kLastSlot; ++k) {
            const auto from = (*a[s])[k - 1], to = (*b[s])[k - 1];
            if (from != to)
                changes.push_back({s, k, from, to});
        }
    }
    return changes;
}

std::string describe(const SlotChange& change) {
    return "store " + std::to_string(change.store) + " (" +
           std::string(catalog::kStoreNames[change.store]) + ") slot " +
           std::to_string(change.slot) + ": " + std::to_string(change.from) + " " +
           itemName(change.from) + " -> " + std::to_string(change.to) + " " + itemName(change.to);
}

} // namespace text
