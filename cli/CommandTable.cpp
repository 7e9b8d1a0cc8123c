#include "CommandTable.h"

namespace cli {

namespace {

constexpr Command kCommands[] = {
    {"dump", "dump IMAGE [-o FILE]", "the whole table as text (to FILE, or standard output)\n",
     "Writes IMAGE's whole store table as text, one line per store, to FILE or\n"
     "standard output.\n"
     "\n"
     "  -o, --output=FILE   write to FILE: a regular file is replaced once the text\n"
     "                      is whole, a device or FIFO is written into; - is\n"
     "                      standard output\n"
     "  -h, --help          show this help and exit\n",
     kOutputOption, runDump},
    {"load", "load IMAGE FILE [--dry-run]",
     "write the stores that the text FILE lists, or that\n"
     "the IPS or BPS patch FILE changes, into IMAGE;\n"
     "--dry-run prints the changes and writes nothing\n",
     "Writes the stores that the text FILE lists, or that the patch FILE changes,\n"
     "into IMAGE, in place, and nothing else; checks the whole text or patch first\n"
     "and writes nothing on any error. A patch (IPS or BPS, told by its first\n"
     "bytes) is applied all or nothing, and refused when it would change any byte\n"
     "outside the store table, or when a BPS patch was made for another image.\n"
     "A patch made for an image with a copier header applies to one without, and\n"
     "the other way round, at the same stores and slots, where that can be checked.\n"
     "\n"
     "      --dry-run   print the slots that would change and write nothing\n"
     "  -h, --help      show this help and exit\n",
     kDryRunOption, runLoad},
    {"diff", "diff A B",
     "the slots in which A and B (images or texts) differ;\n"
     "status 0 when equal, 1 when they differ, 2 on trouble\n",
     "Lists the slots in which A and B differ; each is an image or a text (a text\n"
     "compares only the stores it lists), never a patch: load --dry-run shows what\n"
     "a patch changes. Status 0 when equal, 1 when they differ, 2 on trouble.\n"
     "\n"
     "  -h, --help   show this help and exit\n",
     0, runDiff},
    {"show", "show IMAGE [STORE]",
     "the image's layout, then one store, or all, as a table\n"
     "of slot, id and name\n",
     "Names the image's layout (a 512-byte copier header or none), then shows one\n"
     "store (0 to 64), or all, as a table of slot, item id and name.\n"
     "\n"
     "  -h, --help   show this help and exit\n",
     0, runShow},
    {"patch", "patch SOURCE TARGET [-o FILE] [--format ips|bps]",
     "a patch that gives the clean image SOURCE the store\n"
     "table of TARGET (an image or a text), and nothing else\n",
     "Writes a patch that turns the clean image SOURCE into SOURCE with TARGET's store\n"
     "table, and changes nothing else; TARGET is an image or a text (then the patch\n"
     "holds the stores it lists). Bytes outside the table in which TARGET differs\n"
     "are left out, so that a store patch combines with other patches. The patch is\n"
     "for SOURCE without its copier header, as published patches are.\n"
     "\n"
     "  -o, --output=FILE        write to FILE (as dump does) instead of standard\n"
     "                           output, which must not be a terminal\n"
     "      --format=ips|bps     the format; else from FILE's extension (.ips,\n"
     "                           .bps; another patch format's is refused), else BPS\n"
     "  -h, --help               show this help and exit\n",
     kOutputOption | kFormatOption, runPatch},
};

constexpr char kHelpStart[] = "Usage: quendle-stores COMMAND [OPTION]... OPERAND...\n"
                              "The store table of a ROM image as text.\n"
                              "\n";

constexpr char kHelpEnd[] =
    "\n"
    "  -h, --help                    show this help (or a command's) and exit\n"
    "  -v, --version                 show the version and exit\n"
    "\n"
    "Options may stand anywhere after the command; -- ends them. A FILE, IMAGE, A or B\n"
    "of - is standard input, -o - standard output. -o FILE replaces a regular file only\n"
    "once the whole text is written (a symbolic link's target, keeping its permissions),\n"
    "writes into a device or a FIFO, and refuses a file that is an input.\n"
    "An IMAGE may have a 512-byte copier header or none (a whole number of 32 KiB\n"
    "banks); the table is read and written where it lies. Patches are written for the\n"
    "image without its header, and load applies a patch made for either layout.\n"
    "In a text, each line holds a store number and its seven item ids; '#' starts a\n"
    "comment, where dump writes the names. Nothing is written on any error; every\n"
    "failure, a failed write to standard output too, gives status 2.\n";

// The general help's column of summaries, and the indent of the synopses.
constexpr std::size_t kSummaryColumn = 32;
constexpr char kSynopsisIndent[] = "  ";

} // namespace

std::span<const Command> commands() {
    return kCommands;
}

const Command* findCommand(std::string_view name) {
    for (const Command& command : kCommands)
        if (name == command.name)
            return &command;
    return nullptr;
}

std::string generalHelp() {
    std::string help = kHelpStart;
    for (const Command& command : kCommands) {
        std::string line = kSynopsisIndent + std::string(command.synopsis);
        // A synopsis too long for the column puts its summary on the lines below.
        if (line.size() + 1 > kSummaryColumn) {
            help += line + "\n";
            line.clear();
        }
        std::string_view summary = command.summary;
        while (!summary.empty()) {
            const std::size_t end = summary.find('\n') + 1;
            line.resize(kSummaryColumn, ' ');
            help += line + std::string(summary.substr(0, end));
            summary.remove_prefix(end);
            line.clear();
        }
    }
    return help + kHelpEnd;
}

std::string commandHelp(const Command& command) {
    return "Usage: quendle-stores " + std::string(command.synopsis) + "\n" + command.help;
}

} // namespace cli
