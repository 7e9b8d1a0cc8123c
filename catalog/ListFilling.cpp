#include "ListFilling.h"

#include "ItemCatalog.h"
#include "StoreCatalog.h"

namespace catalog {

void fillStoreNumbers(TextList& storeNumberList) {
    for (int store = 0; store < kStoreNameCount; ++store)
        storeNumberList.append(std::to_string(store));
}

void fillStoreNames(TextList& storeNameList) {
    for (const auto name : kStoreNames)
        storeNameList.append(std::string(name));
}

void fillItemList(TextList& itemList) {
    for (const auto name : kItemNames)
        itemList.append(std::string(name));
}

} // namespace catalog
