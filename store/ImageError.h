#pragma once

#include <stdexcept>
#include <string>

namespace store {

// How messages name a file: its path between double quotes.
inline std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// The sentence that ends a message of a command that wrote nothing.
inline constexpr char kNothingWritten[] = " Nothing was written.";

// A failure of the image access or of a store sequence. what() is a complete
// sentence that names the file (where there is one) and the reason, ready to show.
class ImageError : public std::runtime_error {
public:
    explicit ImageError(const std::string& message) : std::runtime_error(message) {}
};

// A write that failed: partlyWritten tells whether some of its bytes may have
// reached the file, so that the caller knows whether to put the old bytes back.
class WriteError : public ImageError {
public:
    WriteError(const std::string& message, bool partlyWritten)
        : ImageError(message), partlyWritten(partlyWritten) {}
    bool partlyWritten;
};

} // namespace store
