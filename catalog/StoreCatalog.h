#pragma once

#include "StoreTable.h"

#include <array>
#include <string_view>

namespace catalog {

// One name for each store of the table.
inline constexpr int kStoreNameCount = store::kStoreCount;

// The display name of every store, in store-number order.
extern const std::array<std::string_view, kStoreNameCount> kStoreNames;

} // namespace catalog
