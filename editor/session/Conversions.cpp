#include "Conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace session {

namespace {

bool isSpaceOrTab(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isSpaceOrTab(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpaceOrTab(text.back()))
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

// For an unsigned plain decimal (checked above): whether its value is below 1, that
// is, whether it is zero or its first significant digit stands after the point.
// Decides whether a number out of a double's range is too small or too large.
bool isBelowOne(std::string_view text) {
    const auto exponentAt = text.find_first_of("eE");
    const std::string_view mantissa = text.substr(0, exponentAt);
    const auto point = mantissa.find('.');
    const std::string_view whole = mantissa.substr(0, point);
    const auto firstNonZero = mantissa.find_first_not_of("0.");
    if (firstNonZero == std::string_view::npos)
        return true; // zero
    // The power of ten of the first significant digit, from the mantissa alone.
    long long magnitude = 0;
    if (firstNonZero < whole.size())
        magnitude = static_cast<long long>(whole.size() - firstNonZero) - 1;
    else
        magnitude = -static_cast<long long>(firstNonZero - point);
    // Then the exponent, saturated: a digit string far past any double's range.
    constexpr long long kSaturated = 1'000'000'000;
    long long exponent = 0;
    if (exponentAt != std::string_view::npos) {
        std::string_view digits = text.substr(exponentAt + 1);
        const bool negative = !digits.empty() && digits.front() == '-';
        if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
            digits.remove_prefix(1);
        for (char c : digits)
            exponent = std::min(kSaturated, exponent * 10 + (c - '0'));
        if (negative)
            exponent = -exponent;
    }
    return magnitude + exponent < 0;
}

template <typename Int> std::optional<Int> textToWhole(std::string_view text) {
    const auto number = textToNumber(text);
    if (!number)
        return std::nullopt;
    // The default rounding mode, to nearest with an exact half to the even neighbour.
    const double rounded = std::nearbyint(*number);
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
    if (error == std::errc::result_out_of_range && end == text.data() + text.size() &&
        isBelowOne(text))
        value = 0; // too small for a double: it is zero, rounded
    else if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<std::uint8_t> textToByte(std::string_view text) {
    return textToWhole<std::uint8_t>(text);
}

} // namespace session
