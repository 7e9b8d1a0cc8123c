#pragma once

#include <span>
#include <string>
#include <string_view>

namespace catalog {

// Anything that can append a text at its end: a list of the editor window, or a
// plain vector in tests. append() throws when the entry cannot be added.
class TextList {
public:
    virtual ~TextList() = default;
    virtual void append(const std::string& text) = 0;
    // All of texts, in order, as append() would add them one by one; a list may add
    // them in one step.
    virtual void appendAll(std::span<const std::string_view> texts) {
        for (const std::string_view text : texts)
            append(std::string(text));
    }
};

} // namespace catalog
