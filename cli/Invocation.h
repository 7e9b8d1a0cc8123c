#pragma once
// One run of quendle-stores: its file calls, its standard streams, the inputs it
// has read (so that no output is written over one), and the steps the commands
// share.

#include "Commands.h"
#include "FileIdentity.h"
#include "Inputs.h"
#include "Output.h"
#include "TableLoad.h"
#include "TableText.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

inline constexpr char kProgram[] = "quendle-stores";

// A refusal that a command reports as it stands: the line after the program's name.
struct Refusal {
    std::string line;
    bool usage = false; // followed by the pointer to --help
};

[[noreturn]] void refuse(const std::string& line);
[[noreturn]] void refuseUsage(const std::string& line);

// Refuses, as a usage error, fewer than least or more than most operands.
void expectOperands(const std::vector<std::string>& operands, std::size_t least, std::size_t most);

class Invocation {
public:
    Invocation(store::FileOps& ops, const StandardStreams& streams)
        : ops_(ops), streams_(streams), out_(ops, streams.output) {}

    store::FileOps& ops() { return ops_; }
    CheckedWriter& out() { return out_; }

    void say(const std::string& line); // one line on standard error, in one write
    void sayTryHelp();

    // An operand read and remembered as an input; a text is read and checked.
    Input read(const std::string& name, unsigned accepts);
    // Another file the command reads, remembered as an input.
    void rememberInput(const store::FileIdentity& identity) { inputs_.push_back(identity); }

    // The stores of an image, or those a text lists.
    text::Stores storesOf(const std::string& name, const Input& input);
    // A text's stores; on errors, says them and refuses.
    text::TableText parseText(const std::string& name, const std::string& bytes);

    // The table change of the image that name names (readTableChange); when the
    // file is too short to be an image, the refusal says what it is instead.
    TableChange readImageChange(
        const std::string& name,
        const std::function<store::Table(const store::ImageFile&, const store::Table&)>& change);

    // Refuses standard output that is a regular file among the inputs.
    void checkStandardOutputIsNoInput();
    // Writes a command's whole output where -o names, or to standard output.
    void writeOutput(const std::optional<std::string>& output, std::string_view bytes,
                     Content kind);
    // The slots in which two sets of stores differ, a line each on standard output
    // (refused when it is an input); gives how many.
    std::size_t putDifferences(const text::Stores& before, const text::Stores& after);

private:
    store::FileOps& ops_;
    StandardStreams streams_;
    CheckedWriter out_;
    std::vector<store::FileIdentity> inputs_;
};

} // namespace cli
