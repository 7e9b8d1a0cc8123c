#pragma once
// The procedures that fill the editor's lists from the catalogues at start-up.
// Each appends its whole table, in order, at the end of the list it is handed;
// none clears the list or selects an entry. A failing append propagates.

#include "TextList.h"

namespace catalog {

void FillStoreNumbers(TextList& combo1); // "0" .. "64"
void FillStoreNames(TextList& cmbstores);
void FillItemList1(TextList& cmbitem1);
void FillItemList2(TextList& cmbitem2);
void FillItemList3(TextList& cmbitem3);
void FillItemList4(TextList& cmbitem4);
void FillItemList5(TextList& cmbitem5);
void FillItemList6(TextList& cmbitem6);
void FillItemList7(TextList& cmbitem7);

} // namespace catalog
