// show IMAGE [STORE]: the image's layout, then stores as tables of slot, id and name.
#include "CommandTable.h"
#include "Invocation.h"
#include "Quoting.h"
#include "StoreCatalog.h"

#include <cstdio>

namespace cli {

namespace {

// The layout as show's first line names it.
const char* layoutLine(store::Layout layout) {
    switch (layout) {
    case store::Layout::CopierHeader:
        return "512-byte copier header";
    case store::Layout::NoHeader:
        return "no copier header";
    case store::Layout::OtherSize:
        break;
    }
    return "a size of neither layout, read as with a 512-byte copier header";
}

} // namespace

int runShow(Invocation& invocation, const Arguments& arguments) {
    const std::vector<std::string>& operands = arguments.operands;
    expectOperands(operands, 1, 2);
    int first = store::kFirstStore, last = store::kLastStore;
    if (operands.size() == 2) {
        const auto number = text::parseDecimal(operands[1], store::kLastStore);
        if (!number || *number > store::kLastStore)
            refuseUsage(text::quotedForTerminal(operands[1]) +
                        ": expected a store number from 0 to 64");
        first = last = *number;
    }
    const store::ImageTable image = invocation.read(operands[0], kAcceptsImage).image;
    const store::Table& table = image.table;
    invocation.checkStandardOutputIsNoInput();
    CheckedWriter& out = invocation.out();
    out.put(std::string("image: ") + layoutLine(image.layout) + "\n\n");
    for (int s = first; s <= last; ++s) {
        out.put("store " + std::to_string(s) + "  " + std::string(catalog::kStoreNames[s]) +
                "\n  slot   id  item\n");
        for (int k = store::kFirstSlot; k <= store::kLastSlot; ++k) {
            char line[32];
            std::snprintf(line, sizeof line, "  %4d  %3d  ", k, table[s][k - 1]);
            out.put(line + text::itemName(table[s][k - 1]) + "\n");
        }
        if (s != last)
            out.put("\n");
    }
    return kSuccess;
}

} // namespace cli
