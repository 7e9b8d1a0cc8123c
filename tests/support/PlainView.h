#pragma once
// A plain StoreView for the session's tests, in place of the window's controls.

#include "StoreTable.h"
#include "StoreView.h"

#include <array>
#include <string>

namespace fixtures {

// A plain holder of what the store sequences read and write.
struct PlainView : session::StoreView {
    std::array<std::string, store::kSlotsPerStore> slotTexts{"0", "0", "0", "0", "0", "0", "0"};
    std::string marker = "Text8";
    int selection = store::kNoStore;
    std::string path;

    std::string slotText(int slot) const override { return slotTexts.at(slot - 1); }
    void setSlotText(int slot, const std::string& text) override { slotTexts.at(slot - 1) = text; }
    std::string markerText() const override { return marker; }
    void setMarkerText(const std::string& text) override { marker = text; }
    int storeSelection() const override { return selection; }
    std::string fileName() const override { return path; }
};

inline std::array<std::string, store::kSlotsPerStore> texts(const store::Record& record) {
    std::array<std::string, store::kSlotsPerStore> result;
    for (std::size_t i = 0; i < record.size(); ++i)
        result[i] = std::to_string(record[i]);
    return result;
}

} // namespace fixtures
