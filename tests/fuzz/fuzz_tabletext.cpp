// The text reader under a fuzzer: for any bytes, parseTableText returns (never
// throws or crashes), every error names a line of the text, the stores it reads are
// valid and listed once each, and what it reads, written out again, reads back the
// same; its stores compare with an image as diff compares them; the text-or-image
// rule never takes a good text for an image, whether fed whole or in pieces; and
// the terminal escaping leaves no control byte. Built by scripts/fuzz with clang's
// libFuzzer; replay.cpp runs the regression corpus through it on every test run.
#include "Quoting.h"
#include "TableText.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool holds) {
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const text::TableText read = text::parseTableText(bytes);

    const auto lines = std::count(bytes.begin(), bytes.end(), '\n') + 1;
    for (const text::TextError& error : read.errors)
        require(error.line >= 1 && error.line <= lines && !error.expected.empty());

    std::array<bool, store::kStoreCount> seen{};
    store::Table table{};
    for (const text::ListedStore& listed : read.stores) {
        require(store::isStoreNumber(listed.store) && !seen[listed.store]);
        seen[listed.store] = true;
        table[listed.store] = listed.ids;
    }

    // A text that reads without errors is a text to the rule, fed whole or in two.
    const text::SourceKind kind = text::sourceKind(bytes);
    if (read.errorCount == 0)
        require(kind == text::SourceKind::Text);
    text::SourceSniffer sniffer;
    auto inPieces = sniffer.feed(bytes.substr(0, size / 2));
    if (!inPieces)
        inPieces = sniffer.feed(bytes.substr(size / 2));
    require(inPieces.value_or(sniffer.finish()) == kind);

    for (char c : text::quotedForTerminal(bytes))
        require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);

    // diff of the listed stores against an all-zero image: a change only in a listed
    // store, each naming a slot whose ids differ.
    text::Stores listed;
    for (const text::ListedStore& store : read.stores)
        listed[store.store] = store.ids;
    for (const text::SlotChange& change :
         text::differences(text::allStores(store::Table{}), listed)) {
        require(listed[change.store] && change.from == 0 && change.to != 0);
        require(change.slot >= store::kFirstSlot && change.slot <= store::kLastSlot);
        require(!text::describe(change).empty());
    }

    // A text that reads without errors and lists every store round-trips.
    if (read.errors.empty() && read.stores.size() == std::size_t(store::kStoreCount)) {
        const text::TableText again = text::parseTableText(text::formatTableText(table));
        require(again.errors.empty() && again.stores.size() == read.stores.size());
        for (const text::ListedStore& listed : again.stores)
            require(listed.ids == table[listed.store]);
    }
    return 0;
}
