#pragma once
// quendle-stores' commands, one entry each: its name, its usage line, its lines in
// the general help, its own help, the options it takes and the function that runs
// it. The option parsing, both helps and the test of the bash completion come from
// this table; each command's function lives in a file of its own
// (DumpCommand.cpp, LoadCommand.cpp, ...).

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class Invocation;

// The options a command may take, as a set; --help is every command's.
enum Option : unsigned {
    kOutputOption = 1u << 0, // -o, --output=FILE
    kDryRunOption = 1u << 1, // --dry-run
    kFormatOption = 1u << 2, // --format=ips|bps
};

// An option as the command line spells it.
struct OptionSpelling {
    Option option;
    const char* name; // the long name, without its dashes
    char letter;      // the short one, or 0
    bool takesValue;
};
inline constexpr OptionSpelling kOptionSpellings[] = {
    {kOutputOption, "output", 'o', true},
    {kDryRunOption, "dry-run", 0, false},
    {kFormatOption, "format", 0, true},
};

// A command line's words after the command, parsed.
struct Arguments {
    std::vector<std::string> operands;
    std::optional<std::string> output;
    bool dryRun = false;
    std::optional<std::string> format;
    bool help = false;
    bool version = false;
};

struct Command {
    const char* name;
    const char* synopsis; // "dump IMAGE [-o FILE]": the usage line, after the program's name
    const char* summary;  // its lines in the general help, each ending in a newline
    const char* help;     // its own help, after its usage line
    unsigned options;     // the Options it takes
    int (*run)(Invocation& invocation, const Arguments& arguments);
};

// Every command, in the order the general help lists them.
std::span<const Command> commands();

// The command of that name, or nothing.
const Command* findCommand(std::string_view name);

// The general help, and a command's own (its usage line, then its help).
std::string generalHelp();
std::string commandHelp(const Command& command);

// The functions that run the commands, one file each.
int runDump(Invocation& invocation, const Arguments& arguments);
int runLoad(Invocation& invocation, const Arguments& arguments);
int runDiff(Invocation& invocation, const Arguments& arguments);
int runShow(Invocation& invocation, const Arguments& arguments);
int runPatch(Invocation& invocation, const Arguments& arguments);

} // namespace cli
