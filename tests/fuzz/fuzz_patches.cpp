// The patch reader under a fuzzer: random bytes, read as an IPS and as a BPS patch
// over an image in memory (a little past the table's end, its table known), never
// crash or read outside the patch or the image (the sanitizers and the image's own
// bounds check tell), and a patch that is taken changes nothing outside the store
// table: what comes back is a table, and the image is only read. A patch made by
// the writer from the input's first bytes is always taken and gives its target.
#include "Patches.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>
#include <zlib.h>

namespace {

void require(bool holds) {
    if (!holds)
        std::abort();
}

class MemoryImage : public patch::ImageBytes {
public:
    explicit MemoryImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    void read(std::uint64_t offset, std::span<std::uint8_t> bytes) const override {
        require(offset <= bytes_.size() && bytes.size() <= bytes_.size() - offset);
        std::memcpy(bytes.data(), bytes_.data() + offset, bytes.size());
    }

private:
    std::vector<std::uint8_t> bytes_;
};

const MemoryImage& image() {
    static const MemoryImage made([] {
        std::vector<std::uint8_t> bytes(std::size_t(store::kTableLast) + 64);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = std::uint8_t(i * 7);
        return bytes;
    }());
    return made;
}

store::Table tableOf(const MemoryImage& bytes) {
    std::vector<std::uint8_t> table(store::kTableBytes);
    bytes.read(std::uint64_t(store::kTableFirst - 1), table);
    return store::tableFromBytes(table);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const store::Table table = tableOf(image());
    for (const char* header : {"PATCH", "BPS1"}) {
        const std::string patch = header + std::string(bytes);
        try {
            if (patch::formatOf(patch) == patch::Format::Ips)
                patch::applyIps(patch, table);
            else
                patch::applyBps(patch, image(), table);
        } catch (const patch::PatchError& refusal) {
            require(refusal.what()[0] != '\0');
        }
    }

    // The input as the body of a BPS patch whose source and patch CRC-32s are right,
    // so that the fuzzer reaches the actions (a target CRC-32 from the input).
    std::string body = "BPS1" + std::string(bytes);
    const std::uint32_t sourceCrc = patch::checksumsOf(image(), table).image;
    for (std::uint32_t value : {sourceCrc, size >= 4 ? std::uint32_t(data[0]) << 24 : 0u}) {
        for (int i = 0; i < 4; ++i)
            body += char((value >> (8 * i)) & 0xFF);
    }
    const std::uint32_t patchCrc =
        std::uint32_t(crc32(0L, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
    for (int i = 0; i < 4; ++i)
        body += char((patchCrc >> (8 * i)) & 0xFF);
    try {
        patch::applyBps(body, image(), table);
    } catch (const patch::PatchError& refusal) {
        require(refusal.what()[0] != '\0');
    }

    // The writer's patches for a target made of the input's bytes are taken, and
    // give that target.
    store::Table target = table;
    for (std::size_t i = 0; i < size && i < store::kTableBytes; ++i)
        target[i / store::kSlotsPerStore][i % store::kSlotsPerStore] = data[i];
    require(patch::applyIps(patch::writeIps(table, target), table) == target);
    const std::string bps =
        patch::writeBps(image().size(), patch::checksumsOf(image(), target), table, target);
    require(patch::applyBps(bps, image(), table) == target);
    return 0;
}
