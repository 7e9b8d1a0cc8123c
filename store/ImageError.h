#pragma once

#include <stdexcept>
#include <string>

namespace store {

// A failure of the image access or of a store sequence. what() is a complete
// sentence that names the file (where there is one) and the reason, ready to show.
class ImageError : public std::runtime_error {
public:
    explicit ImageError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace store
