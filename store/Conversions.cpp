#include "Conversions.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace store {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Whether text is [sign] digits [. digits] [e [sign] digits], with a digit somewhere
// in the mantissa. Checked by hand so that hex, "inf", "nan" and locale forms are out.
bool isPlainDecimal(std::string_view text) {
    std::size_t i = 0;
    const auto n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t mantissaDigits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++mantissaDigits;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        std::size_t exponentDigits = 0;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    return i == n;
}

template <typename Int> std::optional<Int> textToWhole(std::string_view text) {
    const auto number = textToNumber(text);
    if (!number)
        return std::nullopt;
    const double rounded = roundHalfEven(*number);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

} // namespace

std::string byteToText(std::uint8_t value) {
    return std::to_string(value);
}

std::optional<double> textToNumber(std::string_view text) {
    text = trimBlanks(text);
    if (!isPlainDecimal(text))
        return std::nullopt;
    const bool negative = text.front() == '-';
    if (text.front() == '+' || text.front() == '-')
        text.remove_prefix(1); // from_chars takes no plus sign; the sign is put back below
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

double roundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5)
        return below + 1;
    if (fraction < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::optional<std::uint8_t> textToByte(std::string_view text) {
    return textToWhole<std::uint8_t>(text);
}

std::optional<std::int16_t> textToInt16(std::string_view text) {
    return textToWhole<std::int16_t>(text);
}

} // namespace store
