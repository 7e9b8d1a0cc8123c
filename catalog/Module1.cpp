#include "Module1.h"

#include "ItemCatalog.h"
#include "StoreCatalog.h"

namespace catalog {

namespace {

// All seven item lists hold the one catalogue; only the target differs.
void fillItemList(TextList& list) {
    for (const auto name : kItemNames)
        list.append(std::string(name));
}

} // namespace

void FillStoreNumbers(TextList& combo1) {
    for (int store = 0; store < kStoreNameCount; ++store)
        combo1.append(std::to_string(store));
}

void FillStoreNames(TextList& cmbstores) {
    for (const auto name : kStoreNames)
        cmbstores.append(std::string(name));
}

void FillItemList1(TextList& cmbitem1) {
    fillItemList(cmbitem1);
}
void FillItemList2(TextList& cmbitem2) {
    fillItemList(cmbitem2);
}
void FillItemList3(TextList& cmbitem3) {
    fillItemList(cmbitem3);
}
void FillItemList4(TextList& cmbitem4) {
    fillItemList(cmbitem4);
}
void FillItemList5(TextList& cmbitem5) {
    fillItemList(cmbitem5);
}
void FillItemList6(TextList& cmbitem6) {
    fillItemList(cmbitem6);
}
void FillItemList7(TextList& cmbitem7) {
    fillItemList(cmbitem7);
}

} // namespace catalog
