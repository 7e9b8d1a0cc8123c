#include "ListFilling.h"

#include "ItemCatalog.h"
#include "StoreCatalog.h"

namespace catalog {

void fillStoreNumbers(TextList& storeNumberList) {
    for (int store = 0; store < kStoreNameCount; ++store)
        storeNumberList.append(std::to_string(store));
}

void fillStoreNames(TextList& storeNameList) {
    storeNameList.appendAll(kStoreNames);
}

void fillItemList(TextList& itemList) {
    itemList.appendAll(kItemNames);
}

} // namespace catalog
