#include "ImageMaker.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace tools {

using namespace store;

Image::Image(std::int64_t length, std::uint8_t fill)
    : bytes(static_cast<std::size_t>(length), fill) {}

Image Image::random(std::uint32_t seed, std::int64_t length) {
    Image image(length);
    std::mt19937 generator(seed);
    // Four bytes from each 32-bit draw.
    for (std::size_t i = 0; i < image.bytes.size(); i += 4) {
        const std::uint32_t word = generator();
        for (std::size_t j = 0; j < 4 && i + j < image.bytes.size(); ++j)
            image.bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
    }
    return image;
}

Image Image::demo(std::int64_t length) {
    Image image(length);
    // Every store sells seven different items, spread over the whole catalogue.
    for (int s = kFirstStore; s <= kLastStore; ++s) {
        Record record{};
        for (int k = 0; k < kSlotsPerStore; ++k)
            record[k] = static_cast<std::uint8_t>((s * 37 + k * 11 + 1) % 254);
        image.setRecord(s, record);
    }
    return image;
}

void Image::setRecord(int store, const Record& record) {
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot)
        set(slotAt(store, slot), record[slot - kFirstSlot]);
}

Record Image::record(int store) const {
    Record record{};
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot)
        record[slot - kFirstSlot] = at(slotAt(store, slot));
    return record;
}

void Image::setMarker(std::uint8_t first, std::uint8_t second, std::uint8_t third) {
    const Position marker = markerFirst(layout());
    set(marker, first);
    set(marker + 1, second);
    set(marker + 2, third);
}

Image Image::withHeader(std::uint8_t fill) const {
    Image twin(0);
    twin.bytes.assign(std::size_t(kCopierHeaderBytes), fill);
    twin.bytes.insert(twin.bytes.end(), bytes.begin(), bytes.end());
    return twin;
}

Image Image::withoutHeader() const {
    Image twin(0);
    twin.bytes.assign(bytes.begin() + kCopierHeaderBytes, bytes.end());
    return twin;
}

void Image::save(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

Image Image::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    Image image(static_cast<std::int64_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(image.bytes.data()),
            static_cast<std::streamsize>(image.bytes.size()));
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return image;
}

} // namespace tools
