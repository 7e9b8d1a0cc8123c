#pragma once
// The number conversions through which slot bytes and slot texts pass.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace session {

// 0 -> "0", 255 -> "255": unsigned decimal, no blanks, no leading zeros.
std::string byteToText(std::uint8_t value);

// Reads a number: blanks around it, an optional sign, decimal digits with an
// optional fraction and exponent. Anything else gives nothing.
std::optional<double> textToNumber(std::string_view text);

// Text to an item id 0..255, rounding a fraction first (an exact half to the even
// neighbour); nothing when refused.
std::optional<std::uint8_t> textToByte(std::string_view text);

} // namespace session
