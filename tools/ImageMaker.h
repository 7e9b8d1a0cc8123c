#pragma once
// Builds ROM-sized images for tests and for a first try without a ROM at hand.

#include "ImageFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

// 4 MiB of game data: without a copier header, and with one in front.
inline constexpr std::int64_t kHeaderlessImageLength = 4 * 1024 * 1024;
inline constexpr std::int64_t kDemoImageLength = kHeaderlessImageLength + store::kCopierHeaderBytes;

// A whole image in memory: every byte `fill`, the store table as given, where the
// layout that its length gives puts it.
struct Image {
    std::vector<std::uint8_t> bytes;

    explicit Image(std::int64_t length = kDemoImageLength, std::uint8_t fill = 0);
    static Image random(std::uint32_t seed, std::int64_t length = kDemoImageLength);
    static Image demo(std::int64_t length = kDemoImageLength); // zeros, a varied table, no marker

    store::Layout layout() const { return store::layoutOfSize(std::int64_t(bytes.size())); }
    // The position of a store's slot in this image.
    store::Position slotAt(int store, int slot) const {
        return store::slotPosition(layout(), store, slot);
    }

    // The same game bytes with a copier header in front (of fill bytes), or without
    // the header that is there: the image's twin of the other layout.
    Image withHeader(std::uint8_t fill = 0) const;
    Image withoutHeader() const;

    std::uint8_t at(std::int64_t position) const { return bytes.at(position - 1); }
    void set(std::int64_t position, std::uint8_t value) { bytes.at(position - 1) = value; }
    void setRecord(int store, const store::Record& record);
    store::Record record(int store) const;
    void setMarker(std::uint8_t first, std::uint8_t second, std::uint8_t third);

    void save(const std::string& path) const; // throws std::runtime_error
    static Image load(const std::string& path);
};

} // namespace tools
