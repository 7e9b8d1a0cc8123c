#pragma once

#include <array>
#include <string_view>

namespace catalog {

inline constexpr int kItemCount = 256; // one name for every byte value

// The display name of every item id, in id order.
extern const std::array<std::string_view, kItemCount> kItemNames;

} // namespace catalog
