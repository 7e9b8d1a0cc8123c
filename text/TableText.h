#pragma once
// The store table as text: one line per store, its number and its seven item ids
// as decimal numbers, after a first line that names the format and its version.
// A '#' starts a comment that runs to the end of the line; comments and blank lines
// may stand anywhere, and blanks before, between and after the numbers (dump pads
// stores 0 to 9 with a space). Only the numbers are read: names written beside them (in
// comments) are never read back.
//
//     quendle-stores-table 1
//     # store  slots 1 to 7            # store name | item names
//      0    1   2   3   4   5   6   7  # Onett Drugstore 1 | Franklin badge | ...

#include "StoreTable.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace text {

using store::Record;
using store::Table;

// A store a text lists, and the record to write into it.
struct ListedStore {
    int store = 0;
    Record ids{};
};

inline constexpr std::string_view kTableTextFormat = "quendle-stores-table";
inline constexpr int kTableTextVersion = 1;

struct TextError {
    int line = 0;         // 1-based
    std::string text;     // the text at fault, as it stands in the line
    std::string expected; // what was expected instead
};

// How many errors a reading keeps: a text of millions of bad lines is counted, not
// kept.
inline constexpr std::size_t kKeptErrors = 100;

struct TableText {
    std::vector<ListedStore> stores; // in the order listed, each store at most once
    std::vector<TextError> errors;   // the first kKeptErrors errors, in line order
    std::size_t errorCount = 0;      // every error; 0 when the text is good
};

// Reads a whole text. A UTF-8 byte order mark at its very start is skipped, and a
// line may end in CR LF. Never throws; every fault of the text is counted.
TableText parseTableText(std::string_view text);

// A word of decimal digits (leading zeros allowed) as a number, where limit + 1
// stands for any number past limit; nothing when the word is not a number. The one
// reading of numbers in texts and on the command line.
std::optional<int> parseDecimal(std::string_view word, int limit);

// Whether the bytes that a side of a command holds are a text of the table or an
// image: a text when its first line that is neither blank nor a comment begins with
// the format's name (after a UTF-8 byte order mark at the very start), an image
// otherwise. Fed piece by piece, it decides as soon as it can and keeps no bytes.
enum class SourceKind { Text, Image };
class SourceSniffer {
public:
    // Feeds the next bytes; gives the kind once it is decided.
    std::optional<SourceKind> feed(std::string_view bytes);
    // At the end of the bytes: the kind.
    SourceKind finish();

private:
    enum class State { Start, LineStart, Comment, Name, Decided };
    State state_ = State::Start;
    std::size_t matched_ = 0; // of the byte order mark in Start, of the name in Name
    SourceKind kind_ = SourceKind::Image;
};

// The kind of a whole side (SourceSniffer over all of it).
SourceKind sourceKind(std::string_view bytes);

// The format line, "quendle-stores-table 1".
std::string tableTextFormatLine();

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
