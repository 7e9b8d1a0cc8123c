// The patch reader under a fuzzer: random bytes, read as an IPS and as a BPS patch
// over images in memory (one a little past the table's end, one without a copier
// header and its twin with one, their tables known), never crash or read outside the patch or the
// image (the sanitizers and the image's own bounds check tell), and a patch that is taken changes
// nothing outside the store table: what comes back is a table, and the image is only read. A patch
// made by the writer from the input's first bytes is always taken and gives its target.
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

using MemoryImage = patch::MemoryImageBytes;

struct FuzzedImage {
    MemoryImage bytes;
    store::Layout layout;
};

MemoryImage patterned(std::size_t size, std::size_t skip) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(i < skip ? 0xEE : (i - skip) * 7);
    return MemoryImage(std::move(bytes));
}

// An image a little past the table's end, and a header-less image of 43 banks (the
// fewest that hold its table) with its twin that has a copier header.
const std::vector<FuzzedImage>& images() {
    constexpr std::size_t kBanks = 43;
    const std::size_t headerless = kBanks * std::size_t(store::kBankBytes);
    const std::size_t header = std::size_t(store::kCopierHeaderBytes);
    static const std::vector<FuzzedImage> made{
        {patterned(std::size_t(store::kTableLast) + 64, 0), store::Layout::OtherSize},
        {patterned(headerless, 0), store::Layout::NoHeader},
        {patterned(headerless + header, header), store::Layout::CopierHeader}};
    return made;
}

store::Table tableOf(const FuzzedImage& image) {
    std::vector<std::uint8_t> table(store::kTableBytes);
    image.bytes.read(std::uint64_t(store::tableFirst(image.layout) - 1), table);
    return store::tableFromBytes(table);
}

void fuzzOne(const FuzzedImage& image, std::string_view bytes) {
    const store::Table table = tableOf(image);
    for (const auto format : {patch::Format::Ips, patch::Format::Bps}) {
        const std::string patch =
            (format == patch::Format::Ips ? "PATCH" : "BPS1") + std::string(bytes);
        try {
            patch::applyPatch(format, patch, image.bytes, image.layout, table);
        } catch (const patch::PatchError& refusal) {
            require(refusal.what()[0] != '\0');
        }
    }

    // The input as the body of a BPS patch whose source and patch CRC-32s are right
    // for the bytes a patch sees, so that the fuzzer reaches the actions (a target
    // CRC-32 from the input).
    const patch::SkippedImageBytes seen(image.bytes,
                                        std::uint64_t(store::headerBytes(image.layout)));
    const store::Layout seenLayout = patch::patchedLayout(image.layout);
    std::string body = "BPS1" + std::string(bytes);
    const std::uint32_t sourceCrc = patch::checksumsOf(seen, table, seenLayout).image;
    const std::uint32_t made = bytes.size() >= 4 ? std::uint32_t(std::uint8_t(bytes[0])) << 24 : 0u;
    for (std::uint32_t value : {sourceCrc, made}) {
        for (int i = 0; i < 4; ++i)
            body += char((value >> (8 * i)) & 0xFF);
    }
    const std::uint32_t patchCrc =
        std::uint32_t(crc32(0L, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
    for (int i = 0; i < 4; ++i)
        body += char((patchCrc >> (8 * i)) & 0xFF);
    try {
        patch::applyPatch(patch::Format::Bps, body, image.bytes, image.layout, table);
    } catch (const patch::PatchError& refusal) {
        require(refusal.what()[0] != '\0');
    }

    // The writer's patches for a target made of the input's bytes are taken, and
    // give that target.
    store::Table target = table;
    for (std::size_t i = 0; i < bytes.size() && i < store::kTableBytes; ++i)
        target[i / store::kSlotsPerStore][i % store::kSlotsPerStore] = std::uint8_t(bytes[i]);
    for (const auto format : {patch::Format::Ips, patch::Format::Bps}) {
        const std::string written =
            patch::makePatch(format, image.bytes, image.layout, table, target);
        require(patch::applyPatch(format, written, image.bytes, image.layout, table).table ==
                target);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const FuzzedImage& image : images())
        fuzzOne(image, bytes);
    return 0;
}
