#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

namespace store {

// How messages name a file: its path between double quotes.
inline std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// The sentence that ends a message of a command that wrote nothing, and the same
// as the tail of a detail.
inline constexpr char kNothingWritten[] = " Nothing was written.";
inline constexpr char kNothingWrittenDetail[] = "; nothing was written";

// A failure of the image access or of a store sequence. what() is a complete
// sentence that names the file (where there is one) and the reason, ready to show in
// a window. file() and detail() say the same for a command line: the file, and what
// is wrong with it as a phrase in lower case that does not repeat the file's name
// (empty when the failure concerns no file).
class ImageError : public std::runtime_error {
public:
    explicit ImageError(const std::string& message) : std::runtime_error(message) {}
    ImageError(const std::string& message, std::string file, std::string detail)
        : std::runtime_error(message), file_(std::move(file)), detail_(std::move(detail)) {}

    const std::string& file() const { return file_; }
    const std::string& detail() const { return detail_; }

    // The same failure with more said: a sentence after the message, a phrase after
    // the detail.
    ImageError extended(const std::string& sentence, const std::string& phrase) const {
        return ImageError(what() + sentence, file_, detail_ + phrase);
    }
    ImageError nothingWritten() const { return extended(kNothingWritten, kNothingWrittenDetail); }

private:
    std::string file_;
    std::string detail_;
};

// The refusal of a call on a file: "Cannot open "x": reason." for a window, "cannot
// open: reason" for a command line.
inline ImageError cannot(const std::string& path, const std::string& what, int error) {
    const std::string reason = std::strerror(error);
    return ImageError("Cannot " + what + " " + quoted(path) + ": " + reason + ".", path,
                      "cannot " + what + ": " + reason);
}

// A write that failed: partlyWritten tells whether some of its bytes may have
// reached the file, so that the caller knows whether to put the old bytes back.
class WriteError : public ImageError {
public:
    WriteError(const ImageError& error, bool partlyWritten)
        : ImageError(error), partlyWritten(partlyWritten) {}
    bool partlyWritten;
};

} // namespace store
