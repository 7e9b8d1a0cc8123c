#pragma once
// Builds ROM-sized images for tests and for a first try without a ROM at hand.

#include "StoreRecords.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

inline constexpr std::int64_t kDemoImageLength = 4 * 1024 * 1024;

// A whole image in memory: every byte `fill`, the store table as given.
struct Image {
    std::vector<std::uint8_t> bytes;

    explicit Image(std::int64_t length = kDemoImageLength, std::uint8_t fill = 0);
    static Image random(std::uint32_t seed, std::int64_t length = kDemoImageLength);
    static Image demo(); // zeros, a varied store table, no marker

    std::uint8_t at(std::int64_t position) const { return bytes.at(position - 1); }
    void set(std::int64_t position, std::uint8_t value) { bytes.at(position - 1) = value; }
    void setRecord(int store, const store::Record& record);
    store::Record record(int store) const;
    void setMarker(std::uint8_t first, std::uint8_t second, std::uint8_t third);

    void save(const std::string& path) const; // throws std::runtime_error
    static Image load(const std::string& path);
};

} // namespace tools
