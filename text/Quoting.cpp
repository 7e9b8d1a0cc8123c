#include "Quoting.h"

#include <cstdint>
#include <cstdio>

namespace text {

namespace {

constexpr std::size_t kQuotedCharacters = 40;
constexpr char kEllipsis[] = "\xE2\x80\xA6";

// The length of the valid UTF-8 character at the start of bytes (a shortest form,
// no surrogate, at most U+10FFFF), or 0 when its first byte starts none.
std::size_t characterLength(std::string_view bytes) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    std::uint32_t code = 0, least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool isC1Control(std::string_view character) {
    // U+0080 to U+009F: C2 80 to C2 9F.
    return character.size() == 2 && static_cast<std::uint8_t>(character[0]) == 0xC2 &&
           static_cast<std::uint8_t>(character[1]) <= 0x9F;
}

// The code point of a valid UTF-8 character of two to four bytes.
std::uint32_t codePoint(std::string_view character) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(character[i]); };
    std::uint32_t code = character.size() == 2   ? byte(0) & 0x1F
                         : character.size() == 3 ? byte(0) & 0x0F
                                                 : byte(0) & 0x07;
    for (std::size_t i = 1; i < character.size(); ++i)
        code = (code << 6) | (byte(i) & 0x3F);
    return code;
}

// Format characters that reorder text or hide it: the bidirectional marks,
// embeddings, overrides and isolates, the zero-width characters and invisible
// operators, the line and paragraph separators, the soft hyphen and the byte order
// mark. A name that holds one could show as another name.
bool hidesOrReorders(std::uint32_t code) {
    return code == 0x00AD || code == 0x061C || code == 0x180E ||
           (code >= 0x200B && code <= 0x200F) || (code >= 0x2028 && code <= 0x202E) ||
           (code >= 0x2060 && code <= 0x206F) || code == 0xFEFF;
}

void appendHex(std::string& out, std::string_view bytes) {
    char buffer[8];
    for (char c : bytes) {
        std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<std::uint8_t>(c));
        out += buffer;
    }
}

} // namespace

std::string escaped(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = characterLength(bytes.substr(i));
        if (length == 0) {
            appendHex(out, bytes.substr(i, 1));
            ++i;
            continue;
        }
        const std::string_view character = bytes.substr(i, length);
        i += length;
        if (isC1Control(character)) {
            appendHex(out, character);
            continue;
        }
        if (length > 1) {
            if (const std::uint32_t code = codePoint(character); hidesOrReorders(code)) {
                char buffer[16];
                std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(code));
                out += buffer;
            } else {
                out += character;
            }
            continue;
        }
        const char c = character[0];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\0':
            out += "\\0";
            break;
        default:
            if (static_cast<std::uint8_t>(c) < 0x20 || c == 0x7F) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\%03o", static_cast<std::uint8_t>(c));
                out += buffer;
            } else {
                out += c;
            }
        }
    }
    return out;
}

namespace {

std::string quotedWith(std::string_view bytes, Length length,
                       std::string (*shown)(std::string_view)) {
    std::size_t characters = 0, cut = bytes.size(), i = 0;
    while (i < bytes.size()) {
        if (characters == kQuotedCharacters)
            cut = i;
        const std::size_t size = characterLength(bytes.substr(i));
        i += size == 0 ? 1 : size;
        ++characters;
    }
    if (length == Length::Whole || characters <= kQuotedCharacters)
        return "\"" + shown(bytes) + "\"";
    return "\"" + shown(bytes.substr(0, cut)) + kEllipsis + "\" (a text of " +
           std::to_string(characters) + " characters)";
}

std::string asItStands(std::string_view text) {
    return std::string(text);
}

} // namespace

std::string quotedForTerminal(std::string_view bytes, Length length) {
    return quotedWith(bytes, length, escaped);
}

std::string quotedForWindow(std::string_view text, Length length) {
    return quotedWith(text, length, asItStands);
}

} // namespace text
