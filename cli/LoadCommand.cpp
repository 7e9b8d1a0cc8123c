// load IMAGE FILE [--dry-run]: a text's stores, or a patch's changes, into an image.
#include "CommandTable.h"
#include "ErrorLine.h"
#include "Invocation.h"
#include "Patches.h"

namespace cli {

using store::Failure;
using store::FileError;

namespace {

// The image of a load that is also its text or patch would be written over what is
// read.
void refuseSameFile(const store::ImageFile& image, const Input& file, const std::string& name) {
    if (image.identity() == file.identity)
        throw FileError(Failure::Refused, image.path(),
                        "input file is output file (it is also " + name + ")");
}

// Says how many stores changed, and whether anything was written.
std::string loadedLine(const std::string& image, int changed, const std::string& what) {
    return nameOf(image) + ": " + std::to_string(changed) + what +
           (changed ? ", written and flushed" : "; nothing was written");
}

// A patch is applied to the table read through a read-only open, all of it checked
// before anything is written; then the changed stores go through the write
// transaction, as a text's do.
int loadPatch(Invocation& invocation, const Arguments& arguments, const Input& file) {
    const std::string& image = arguments.operands[0];
    const std::string& name = arguments.operands[1];
    const patch::Format format =
        file.kind == InputKind::IpsPatch ? patch::Format::Ips : patch::Format::Bps;
    store::Layout imageLayout = store::Layout::OtherSize, madeFor = imageLayout;
    const TableChange change = invocation.readImageChange(
        image, [&](const store::ImageFile& opened, const store::Table& table) {
            refuseSameFile(opened, file, name);
            try {
                const patch::Applied applied = patch::applyPatch(
                    format, file.bytes, patch::FileImageBytes(opened), opened.layout(), table);
                imageLayout = opened.layout();
                madeFor = applied.madeFor;
                return applied.table;
            } catch (const patch::PatchError& refusal) {
                throw FileError(Failure::Refused, name, refusal.what());
            }
        });
    invocation.rememberInput(change.image.identity);
    if (arguments.dryRun) {
        // Where the patch's table and the image's lie apart, say so: the same stores
        // and slots change all the same.
        if (store::layoutShift(madeFor) != store::layoutShift(imageLayout))
            invocation.say(nameOf(name) + ": made for " + store::layoutName(madeFor) + "; " +
                           nameOf(image) + " is " + store::layoutName(imageLayout) +
                           ", so the patch changes the same stores and slots in its store table");
        invocation.putDifferences(text::allStores(change.original), text::allStores(change.target));
        return kSuccess;
    }
    const LoadResult result = writeTableChange(invocation.ops(), image, change);
    invocation.say(loadedLine(image, result.changed,
                              std::string(result.changed == 1 ? " store" : " stores") +
                                  " changed by the patch"));
    return kSuccess;
}

} // namespace

int runLoad(Invocation& invocation, const Arguments& arguments) {
    expectOperands(arguments.operands, 2, 2);
    const std::string& image = arguments.operands[0];
    const std::string& file = arguments.operands[1];
    if (image == kStandardStream)
        refuse("standard input: cannot load into standard input; name an image file");
    Input listing;
    try {
        listing = invocation.read(file, kAcceptsText | kAcceptsPatch);
    } catch (const FileError& error) {
        throw error.nothingWritten();
    }
    if (listing.kind != InputKind::Text)
        return loadPatch(invocation, arguments, listing);
    const text::TableText listed = invocation.parseText(file, listing.bytes);
    const TableChange change =
        invocation.readImageChange(image, [&](const store::ImageFile& opened, store::Table table) {
            refuseSameFile(opened, listing, file);
            for (const text::ListedStore& store : listed.stores)
                table[store.store] = store.ids;
            return table;
        });
    invocation.rememberInput(change.image.identity);
    if (arguments.dryRun) {
        invocation.putDifferences(text::allStores(change.original), text::allStores(change.target));
        return kSuccess;
    }
    const LoadResult result = writeTableChange(invocation.ops(), image, change);
    invocation.say(
        loadedLine(image, result.changed,
                   " of " + std::to_string(listed.stores.size()) + " listed stores changed"));
    return kSuccess;
}

} // namespace cli
