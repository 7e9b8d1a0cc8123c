#pragma once
// The store table as text: one line per store, its number and its seven item ids
// as decimal numbers, after a first line that names the format and its version.
// A '#' starts a comment that runs to the end of the line; comments and blank lines
// may stand anywhere. Only the numbers are read: names written beside them (in
// comments) are never read back.
//
//     quendle-stores-table 1
//     # store  slots 1 to 7            # store name | item names
//      0    1   2   3   4   5   6   7  # Onett Drugstore 1 | Franklin badge | ...

#include "TableFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace text {

using store::ListedStore;
using store::Record;
using store::Table;

inline constexpr std::string_view kTableTextFormat = "quendle-stores-table";
inline constexpr int kTableTextVersion = 1;

struct TextError {
    int line = 0;         // 1-based
    std::string text;     // the text at fault, as it stands in the line
    std::string expected; // what was expected instead
};

struct TableText {
    std::vector<ListedStore> stores; // in the order listed, each store at most once
    std::vector<TextError> errors;   // every error, in line order; empty when the text is good
};

// Reads a whole text. Never throws; every fault of the text is in errors.
TableText parseTableText(std::string_view text);

// The format line, "quendle-stores-table 1".
std::string tableTextFormatLine();

// Whether bytes begin, after blank and comment lines, with the format's name: a
// text of the table rather than an image.
bool looksLikeTableText(std::string_view bytes);

// The whole table as text: the format line, a comment that explains the lines, and
// one line per store with the store's name and the items' names as its comment.
std::string formatTableText(const Table& table);
// The same into out, reusing its room (for a program that writes many).
void formatTableText(const Table& table, std::string& out);

// An item's name as texts show it (without the catalogue's leading blank).
std::string itemName(std::uint8_t id);

// The stores that one side of a comparison holds: all of an image, the listed ones
// of a text.
using Stores = std::array<std::optional<Record>, store::kStoreCount>;
Stores allStores(const Table& table);

struct SlotChange {
    int store = 0, slot = 0;
    std::uint8_t from = 0, to = 0;
};

// The slots that differ between two sides, in store and slot order; a store that
// one side does not hold is not compared.
std::vector<SlotChange> differences(const Stores& a, const Stores& b);

// "store 12 (Burglin Park Egg Stand) slot 3: 213 Big league bat -> 5 Broken gadget"
std::string describe(const SlotChange& change);

} // namespace text
