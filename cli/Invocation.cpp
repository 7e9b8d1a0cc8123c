#include "Invocation.h"

#include "ErrorLine.h"
#include "Quoting.h"

#include <unistd.h>

namespace cli {

using store::FileError;
using store::FileIdentity;
using namespace text;

namespace {

constexpr char kTryHelp[] = "Try 'quendle-stores --help' for more information.";

} // namespace

void refuse(const std::string& line) {
    throw Refusal{line};
}

void refuseUsage(const std::string& line) {
    throw Refusal{line, true};
}

void expectOperands(const std::vector<std::string>& operands, std::size_t least, std::size_t most) {
    if (operands.size() < least)
        refuseUsage(operands.empty() ? "missing operand"
                                     : "missing operand after '" + escaped(operands.back()) + "'");
    if (operands.size() > most)
        refuseUsage("extra operand '" + escaped(operands[most]) + "'");
}

void Invocation::say(const std::string& line) {
    writeAll(ops_, streams_.error, std::string(kProgram) + ": " + line + "\n");
}

void Invocation::sayTryHelp() {
    writeAll(ops_, streams_.error, std::string(kTryHelp) + "\n");
}

Input Invocation::read(const std::string& name, unsigned accepts) {
    Input input = readInput(ops_, name, streams_.input, accepts);
    inputs_.push_back(input.identity);
    return input;
}

TableText Invocation::parseText(const std::string& name, const std::string& bytes) {
    TableText text = parseTableText(bytes);
    if (text.errorCount == 0)
        return text;
    const std::string where =
        name == kStandardStream ? std::string("standard input") : escaped(name);
    for (const TextError& error : text.errors)
        say(where + ":" + std::to_string(error.line) + ": " +
            (error.text.empty() ? "" : quotedForTerminal(error.text) + ": ") + "expected " +
            error.expected);
    if (text.errorCount > text.errors.size())
        say(nameOf(name) + ": " + std::to_string(text.errorCount - text.errors.size()) +
            " more errors not shown");
    refuse(nameOf(name) + ": " + std::to_string(text.errorCount) +
           (text.errorCount == 1 ? " error" : " errors") + "; nothing was written");
}

TableChange Invocation::readImageChange(
    const std::string& name,
    const std::function<store::Table(const store::ImageFile&, const store::Table&)>& change) {
    try {
        return readTableChange(ops_, name, change);
    } catch (const FileError&) {
        // Only a file too short for an image can be a text or a patch here (a longer
        // one is taken as an image); the reader names its kind.
        store::FileStatus status{};
        if (ops_.stat(name.c_str(), &status) == 0 && S_ISREG(status.mode) &&
            !store::holdsTable(status.size)) {
            try {
                read(name, kAcceptsImage);
            } catch (const FileError& kind) {
                throw kind.nothingWritten();
            }
        }
        throw;
    }
}

text::Stores Invocation::storesOf(const std::string& name, const Input& input) {
    if (input.kind == InputKind::Image)
        return allStores(input.image.table);
    text::Stores stores;
    for (const ListedStore& listed : parseText(name, input.bytes).stores)
        stores[listed.store] = listed.ids;
    return stores;
}

// Standard output that is a regular file among the inputs (`dump IMAGE >> IMAGE`)
// would be written over what is read.
void Invocation::checkStandardOutputIsNoInput() {
    store::FileStatus status{};
    if (store::retryInterrupted([&] { return ops_.fstat(streams_.output, &status); }) != 0 ||
        !S_ISREG(status.mode))
        return;
    for (const FileIdentity& input : inputs_)
        if (input == FileIdentity::of(status))
            refuse("standard output: input file is output file; nothing was written");
}

void Invocation::writeOutput(const std::optional<std::string>& output, std::string_view bytes,
                             Content kind) {
    const std::string name = output.value_or(kStandardStream);
    // A name of an open descriptor is written into as it is, never replaced.
    std::optional<int> fd = name == kStandardStream ? streams_.output : namedDescriptor(name);
    if (fd == STDIN_FILENO)
        fd = streams_.input;
    else if (fd == STDOUT_FILENO)
        fd = streams_.output;
    else if (fd == STDERR_FILENO)
        fd = streams_.error;
    if (fd == streams_.output) {
        if (kind == Content::Binary && ::isatty(streams_.output))
            refuse("standard output is a terminal, and a patch is binary: name a file with -o, "
                   "or redirect standard output");
        checkStandardOutputIsNoInput();
        out_.put(bytes);
    } else if (fd) {
        writeIntoDescriptor(ops_, name, *fd, bytes, kind, inputs_);
    } else {
        writeOutputFile(ops_, name, bytes, kind, inputs_);
    }
}

std::size_t Invocation::putDifferences(const text::Stores& before, const text::Stores& after) {
    checkStandardOutputIsNoInput();
    const std::vector<SlotChange> changes = differences(before, after);
    for (const SlotChange& change : changes)
        out_.put(text::describe(change) + "\n");
    return changes.size();
}

} // namespace cli
