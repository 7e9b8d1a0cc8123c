#pragma once

#include <string>

namespace catalog {

// Anything that can append a text at its end: a list of the editor window, or a
// plain vector in tests. append() throws when the entry cannot be added.
class TextList {
public:
    virtual ~TextList() = default;
    virtual void append(const std::string& text) = 0;
};

} // namespace catalog
