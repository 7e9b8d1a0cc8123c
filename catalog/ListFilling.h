#pragma once
// The procedures that fill the editor's lists from the catalogues at start-up.
// Each appends its whole table, in order, at the end of the list it is handed;
// none clears the list or selects an entry. A failing append propagates.

#include "TextList.h"

namespace catalog {

void fillStoreNumbers(TextList& storeNumberList); // "0" .. "64"
void fillStoreNames(TextList& storeNameList);
// Every slot's item list holds the one item catalogue.
void fillItemList(TextList& itemList);

} // namespace catalog
