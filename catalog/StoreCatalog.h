#pragma once

#include <array>
#include <string_view>

namespace catalog {

inline constexpr int kStoreNameCount = 65;

// The display name of every store, in store-number order.
extern const std::array<std::string_view, kStoreNameCount> kStoreNames;

} // namespace catalog
