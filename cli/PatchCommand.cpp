// patch SOURCE TARGET [-o FILE] [--format ips|bps]: a patch of the store table.
#include "CommandTable.h"
#include "Invocation.h"
#include "Patches.h"
#include "Quoting.h"

#include <cctype>

namespace cli {

using store::Failure;
using store::FileError;

namespace {

// Extensions of patch formats that this command does not write.
constexpr const char* kOtherPatchExtensions[] = {"ups", "xdelta", "xdelta3", "vcdiff",
                                                 "ppf", "aps",    "bdf",     "rup"};

// The patch's format: as told, else from the output file's extension, else BPS.
patch::Format formatFor(const std::optional<std::string>& told,
                        const std::optional<std::string>& output) {
    if (told) {
        if (*told == "ips")
            return patch::Format::Ips;
        if (*told == "bps")
            return patch::Format::Bps;
        refuseUsage("unknown format '" + text::escaped(*told) + "'; expected ips or bps");
    }
    if (output) {
        const std::size_t dot = output->find_last_of("./");
        std::string extension =
            dot != std::string::npos && (*output)[dot] == '.' ? output->substr(dot + 1) : "";
        for (char& c : extension)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (extension == "ips")
            return patch::Format::Ips;
        for (const char* other : kOtherPatchExtensions)
            if (extension == other)
                refuseUsage("'" + text::escaped(*output) + "' names a patch of another format (." +
                            other +
                            "); this command writes IPS or BPS: give --format=ips or "
                            "--format=bps to write one into it all the same");
    }
    return patch::Format::Bps;
}

} // namespace

int runPatch(Invocation& invocation, const Arguments& arguments) {
    expectOperands(arguments.operands, 2, 2);
    const std::string& source = arguments.operands[0];
    if (source == kStandardStream)
        refuse("standard input: a patch is made from a named clean image, which it reads whole");
    const patch::Format format = formatFor(arguments.format, arguments.output);
    const Input target = invocation.read(arguments.operands[1], kAcceptsImage | kAcceptsText);
    std::optional<text::Stores> listed;
    if (target.kind == InputKind::Text)
        listed = invocation.storesOf(arguments.operands[1], target);
    std::string bytes;
    // The source is read whole (for BPS's checksums) through one read-only open.
    invocation.readImageChange(
        source, [&](const store::ImageFile& image, const store::Table& table) {
            invocation.rememberInput(image.identity());
            store::Table wanted = target.image.table;
            if (listed) {
                wanted = table;
                for (int s = store::kFirstStore; s <= store::kLastStore; ++s)
                    if ((*listed)[s])
                        wanted[s] = *(*listed)[s];
            }
            try {
                bytes = patch::makePatch(format, patch::FileImageBytes(image), image.layout(),
                                         table, wanted);
            } catch (const patch::PatchError& refusal) {
                throw FileError(Failure::Refused, source, refusal.what());
            }
            return wanted;
        });
    invocation.writeOutput(arguments.output, bytes, Content::Binary);
    return kSuccess;
}

} // namespace cli
