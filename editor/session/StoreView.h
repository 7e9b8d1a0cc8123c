#pragma once

#include <string>

namespace session {

// What the store sequences need of the editor: seven slot texts, the marker text,
// the selected store number and the current file name. The editor window implements
// it over its controls; tests implement it with a plain struct.
class StoreView {
public:
    virtual ~StoreView() = default;

    virtual std::string slotText(int slot) const = 0; // slot 1..7
    virtual void setSlotText(int slot, const std::string& text) = 0;
    virtual std::string markerText() const = 0;
    virtual void setMarkerText(const std::string& text) = 0;
    virtual int storeSelection() const = 0; // 0..64, or kNoStore
    virtual std::string fileName() const = 0;
};

} // namespace session
