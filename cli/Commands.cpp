#include "Commands.h"

#include "ImageError.h"
#include "Inputs.h"
#include "Output.h"
#include "Patches.h"
#include "StoreCatalog.h"
#include "TableFile.h"
#include "TableText.h"
#include "TerminalText.h"
#include "Version.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <getopt.h>
#include <optional>

namespace cli {

using store::FileIdentity;
using store::FileOps;
using store::ImageError;
using namespace text;

namespace {

constexpr char kProgram[] = "quendle-stores";
constexpr char kTryHelp[] = "Try 'quendle-stores --help' for more information.";

constexpr char kUsage[] =
    "Usage: quendle-stores COMMAND [OPTION]... OPERAND...\n"
    "The store table of a ROM image as text.\n"
    "\n"
    "  dump IMAGE [-o FILE]          the whole table as text (to FILE, or standard output)\n"
    "  load IMAGE FILE [--dry-run]   write the stores that the text FILE lists, or that\n"
    "                                the IPS or BPS patch FILE changes, into IMAGE;\n"
    "                                --dry-run prints the changes and writes nothing\n"
    "  diff A B                      the slots in which A and B (images or texts) differ;\n"
    "                                status 0 when equal, 1 when they differ, 2 on trouble\n"
    "  show IMAGE [STORE]            the image's layout, then one store, or all, as a table\n"
    "                                of slot, id and name\n"
    "  patch SOURCE TARGET [-o FILE] [--format ips|bps]\n"
    "                                a patch that gives the clean image SOURCE the store\n"
    "                                table of TARGET (an image or a text), and nothing else\n"
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

struct CommandHelp {
    const char* name;
    const char* usage;
};

constexpr CommandHelp kCommandHelp[] = {
    {"dump", "Usage: quendle-stores dump IMAGE [-o FILE]\n"
             "Writes IMAGE's whole store table as text, one line per store, to FILE or\n"
             "standard output.\n"
             "\n"
             "  -o, --output=FILE   write to FILE: a regular file is replaced once the text\n"
             "                      is whole, a device or FIFO is written into; - is\n"
             "                      standard output\n"
             "  -h, --help          show this help and exit\n"},
    {"load", "Usage: quendle-stores load IMAGE FILE [--dry-run]\n"
             "Writes the stores that the text FILE lists, or that the patch FILE changes,\n"
             "into IMAGE, in place, and nothing else; checks the whole text or patch first\n"
             "and writes nothing on any error. A patch (IPS or BPS, told by its first\n"
             "bytes) is applied all or nothing, and refused when it would change any byte\n"
             "outside the store table, or when a BPS patch was made for another image.\n"
             "A patch made for an image with a copier header applies to one without, and\n"
             "the other way round, at the same stores and slots, where that can be checked.\n"
             "\n"
             "      --dry-run   print the slots that would change and write nothing\n"
             "  -h, --help      show this help and exit\n"},
    {"diff", "Usage: quendle-stores diff A B\n"
             "Lists the slots in which A and B differ; each is an image or a text (a text\n"
             "compares only the stores it lists), never a patch: load --dry-run shows what\n"
             "a patch changes. Status 0 when equal, 1 when they differ, 2 on trouble.\n"
             "\n"
             "  -h, --help   show this help and exit\n"},
    {"show", "Usage: quendle-stores show IMAGE [STORE]\n"
             "Names the image's layout (a 512-byte copier header or none), then shows one\n"
             "store (0 to 64), or all, as a table of slot, item id and name.\n"
             "\n"
             "  -h, --help   show this help and exit\n"},
    {"patch", "Usage: quendle-stores patch SOURCE TARGET [-o FILE] [--format ips|bps]\n"
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
              "  -h, --help               show this help and exit\n"},
};

// A failure a command reports: the message after the program's name.
struct Failure {
    std::string message;
    bool usage = false; // followed by the pointer to --help
};

[[noreturn]] void fail(const std::string& message) {
    throw Failure{message};
}
[[noreturn]] void failUsage(const std::string& message) {
    throw Failure{message, true};
}

// How messages name a file: standard input by that name, any other between double
// quotes, escaped.
std::string nameOf(const std::string& file) {
    return file == kStandardStream ? std::string("standard input") : "\"" + escaped(file) + "\"";
}

std::string describe(const ImageError& error) {
    if (!error.file().empty())
        return nameOf(error.file()) + ": " + escaped(error.detail());
    if (!error.detail().empty())
        return escaped(error.detail());
    return escaped(error.what());
}

// One run of the program: its file calls, its streams and what it read.
class Run {
public:
    Run(FileOps& ops, const StandardStreams& streams)
        : ops_(ops), streams_(streams), out_(ops, streams.output) {}

    int main(const std::vector<std::string>& arguments);

private:
    struct Parsed {
        std::vector<std::string> operands;
        std::optional<std::string> output;
        bool dryRun = false;
        std::optional<std::string> format;
        bool help = false;
        bool version = false;
    };
    Parsed parse(const std::vector<std::string>& arguments, const char* command);

    int dump(const Parsed& p);
    int load(const Parsed& p);
    int diff(const Parsed& p);
    int show(const Parsed& p);
    int makePatch(const Parsed& p);
    int loadPatch(const Parsed& p, const Input& file);
    void putChanges(const store::Table& before, const store::Table& after);

    // An operand read and remembered as an input; a text is read and checked.
    Input read(const std::string& name, unsigned accepts);
    text::Stores storesOf(const std::string& name, const Input& input);
    TableText parseText(const std::string& name, const std::string& bytes);
    // The table change of the image that name names (store::readTableChange); when the
    // file is too short to be an image, the refusal says what it is instead.
    store::TableChange readImageChange(
        const std::string& name,
        const std::function<store::Table(const store::ImageFile&, const store::Table&)>& change);

    void say(const std::string& line); // one line on standard error, in one write
    void checkStandardOutputIsNoInput();
    // Writes a command's whole output where -o names, or to standard output.
    void writeOutput(const std::optional<std::string>& output, std::string_view bytes,
                     Content kind);

    FileOps& ops_;
    StandardStreams streams_;
    CheckedWriter out_;
    std::vector<FileIdentity> inputs_;
};

void Run::say(const std::string& line) {
    writeAll(ops_, streams_.error, std::string(kProgram) + ": " + line + "\n");
}

Run::Parsed Run::parse(const std::vector<std::string>& arguments, const char* command) {
    enum { kDryRun = 256, kFormat };
    static const option kOptions[] = {{"help", no_argument, nullptr, 'h'},
                                      {"version", no_argument, nullptr, 'v'},
                                      {"output", required_argument, nullptr, 'o'},
                                      {"dry-run", no_argument, nullptr, kDryRun},
                                      {"format", required_argument, nullptr, kFormat},
                                      {nullptr, 0, nullptr, 0}};
    const std::string name = command ? std::string(kProgram) + " " + command : kProgram;
    std::vector<std::string> words{name};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    Parsed parsed;
    const std::string_view cmd = command ? command : "";
    optind = 0; // starts getopt afresh, for a second run in the same process
    opterr = 0; // its messages are ours
    for (;;) {
        const int option =
            getopt_long(int(argv.size() - 1), argv.data(), ":ho:v", kOptions, nullptr);
        if (option == -1)
            break;
        const std::string word = argv[optind - 1] ? argv[optind - 1] : "";
        const bool known = (option == 'h') || (option == 'v' && !command) ||
                           (option == 'o' && (cmd == "dump" || cmd == "patch")) ||
                           (option == kDryRun && cmd == "load") ||
                           (option == kFormat && cmd == "patch");
        if (option == ':') {
            failUsage(word.starts_with("--") ? "option '" + escaped(word) + "' requires an argument"
                                             : "option requires an argument -- '" +
                                                   escaped(std::string(1, char(optopt))) + "'");
        }
        if (option == '?' || !known) {
            if (option == '?' && optopt != 0 && !word.starts_with("--"))
                failUsage("invalid option -- '" + escaped(std::string(1, char(optopt))) + "'");
            failUsage("unrecognized option '" + escaped(word) + "'");
        }
        switch (option) {
        case 'h':
            parsed.help = true;
            break;
        case 'v':
            parsed.version = true;
            break;
        case kDryRun:
            parsed.dryRun = true;
            break;
        case kFormat:
            if (parsed.format)
                failUsage("option '--format' given more than once");
            parsed.format = optarg;
            break;
        case 'o':
            if (parsed.output)
                failUsage("option '-o' (--output) given more than once");
            parsed.output = optarg;
            break;
        }
    }
    for (int i = optind; i < int(argv.size() - 1); ++i)
        parsed.operands.emplace_back(argv[i]);
    if ((parsed.help || parsed.version) && !parsed.operands.empty())
        failUsage("extra operand '" + escaped(parsed.operands.front()) + "'");
    return parsed;
}

void expectOperands(const std::vector<std::string>& operands, std::size_t least, std::size_t most) {
    if (operands.size() < least)
        failUsage(operands.empty() ? "missing operand"
                                   : "missing operand after '" + escaped(operands.back()) + "'");
    if (operands.size() > most)
        failUsage("extra operand '" + escaped(operands[most]) + "'");
}

Input Run::read(const std::string& name, unsigned accepts) {
    Input input = readInput(ops_, name, streams_.input, accepts);
    inputs_.push_back(input.identity);
    return input;
}

TableText Run::parseText(const std::string& name, const std::string& bytes) {
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
    fail(nameOf(name) + ": " + std::to_string(text.errorCount) +
         (text.errorCount == 1 ? " error" : " errors") + "; nothing was written");
}

store::TableChange Run::readImageChange(
    const std::string& name,
    const std::function<store::Table(const store::ImageFile&, const store::Table&)>& change) {
    try {
        return store::readTableChange(ops_, name, change);
    } catch (const ImageError&) {
        // Only a file too short for an image can be a text or a patch here (a longer
        // one is taken as an image); the reader names its kind.
        store::FileStatus status{};
        if (ops_.stat(name.c_str(), &status) == 0 && S_ISREG(status.mode) &&
            !store::holdsTable(status.size)) {
            try {
                read(name, kAcceptsImage);
            } catch (const ImageError& kind) {
                throw kind.nothingWritten();
            }
        }
        throw;
    }
}

text::Stores Run::storesOf(const std::string& name, const Input& input) {
    if (input.kind == InputKind::Image)
        return allStores(input.image.table);
    text::Stores stores;
    for (const store::ListedStore& listed : parseText(name, input.bytes).stores)
        stores[listed.store] = listed.ids;
    return stores;
}

// Standard output that is a regular file among the inputs (`dump IMAGE >> IMAGE`)
// would be written over what is read.
void Run::checkStandardOutputIsNoInput() {
    store::FileStatus status{};
    if (store::retryInterrupted([&] { return ops_.fstat(streams_.output, &status); }) != 0 ||
        !S_ISREG(status.mode))
        return;
    for (const FileIdentity& input : inputs_)
        if (input == FileIdentity::of(status))
            fail("standard output: input file is output file; nothing was written");
}

void Run::writeOutput(const std::optional<std::string>& output, std::string_view bytes,
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
            fail("standard output is a terminal, and a patch is binary: name a file with -o, "
                 "or redirect standard output");
        checkStandardOutputIsNoInput();
        out_.put(bytes);
    } else if (fd) {
        writeIntoDescriptor(ops_, name, *fd, bytes, kind, inputs_);
    } else {
        writeOutputFile(ops_, name, bytes, kind, inputs_);
    }
}

int Run::dump(const Parsed& p) {
    expectOperands(p.operands, 1, 1);
    const std::string text = formatTableText(read(p.operands[0], kAcceptsImage).image.table);
    writeOutput(p.output, text, Content::Text);
    return kSuccess;
}

// The image of a load that is also its text or patch would be written over what is
// read.
void refuseSameFile(const store::ImageFile& image, const Input& file, const std::string& name) {
    if (image.identity() == file.identity)
        throw ImageError(store::quoted(image.path()) + " is also the file " + store::quoted(name) +
                             ": input file is output file.",
                         image.path(), "input file is output file (it is also " + name + ")");
}

int Run::load(const Parsed& p) {
    expectOperands(p.operands, 2, 2);
    const std::string& image = p.operands[0];
    const std::string& file = p.operands[1];
    if (image == kStandardStream)
        fail("standard input: cannot load into standard input; name an image file");
    Input listing;
    try {
        listing = read(file, kAcceptsText | kAcceptsPatch);
    } catch (const ImageError& error) {
        throw error.nothingWritten();
    }
    if (listing.kind != InputKind::Text)
        return loadPatch(p, listing);
    const TableText listed = parseText(file, listing.bytes);
    const store::TableChange change =
        readImageChange(image, [&](const store::ImageFile& opened, store::Table table) {
            refuseSameFile(opened, listing, file);
            for (const store::ListedStore& store : listed.stores)
                table[store.store] = store.ids;
            return table;
        });
    inputs_.push_back(change.image.identity);
    if (p.dryRun) {
        putChanges(change.original, change.target);
        return kSuccess;
    }
    const store::LoadResult result = store::writeTableChange(ops_, image, change);
    say(nameOf(image) + ": " + std::to_string(result.changed) + " of " +
        std::to_string(listed.stores.size()) + " listed stores changed" +
        (result.changed ? ", written and flushed" : "; nothing was written"));
    return kSuccess;
}

void Run::putChanges(const store::Table& before, const store::Table& after) {
    checkStandardOutputIsNoInput();
    for (const SlotChange& change : differences(allStores(before), allStores(after)))
        out_.put(text::describe(change) + "\n");
}

// A patch is applied to the table read through a read-only open, all of it checked
// before anything is written; then the changed stores go through the write
// transaction, as a text's do.
int Run::loadPatch(const Parsed& p, const Input& file) {
    const std::string& image = p.operands[0];
    const std::string& name = p.operands[1];
    const patch::Format format =
        file.kind == InputKind::IpsPatch ? patch::Format::Ips : patch::Format::Bps;
    store::Layout imageLayout = store::Layout::OtherSize, madeFor = imageLayout;
    const store::TableChange change =
        readImageChange(image, [&](const store::ImageFile& opened, const store::Table& table) {
            refuseSameFile(opened, file, name);
            try {
                const patch::Applied applied = patch::applyPatch(
                    format, file.bytes, patch::FileImageBytes(opened), opened.layout(), table);
                imageLayout = opened.layout();
                madeFor = applied.madeFor;
                return applied.table;
            } catch (const patch::PatchError& refusal) {
                throw ImageError(store::quoted(name) + ": " + refusal.what() + ".", name,
                                 refusal.what());
            }
        });
    inputs_.push_back(change.image.identity);
    if (p.dryRun) {
        // Where the patch's table and the image's lie apart, say so: the same stores
        // and slots change all the same.
        if (store::layoutShift(madeFor) != store::layoutShift(imageLayout))
            say(nameOf(name) + ": made for " + store::layoutName(madeFor) + "; " + nameOf(image) +
                " is " + store::layoutName(imageLayout) +
                ", so the patch changes the same stores and slots in its store table");
        putChanges(change.original, change.target);
        return kSuccess;
    }
    const store::LoadResult result = store::writeTableChange(ops_, image, change);
    say(nameOf(image) + ": " + std::to_string(result.changed) +
        (result.changed == 1 ? " store" : " stores") + " changed by the patch" +
        (result.changed ? ", written and flushed" : "; nothing was written"));
    return kSuccess;
}

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
        failUsage("unknown format '" + escaped(*told) + "'; expected ips or bps");
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
                failUsage("'" + escaped(*output) + "' names a patch of another format (." + other +
                          "); this command writes IPS or BPS: give --format=ips or --format=bps "
                          "to write one into it all the same");
    }
    return patch::Format::Bps;
}

int Run::makePatch(const Parsed& p) {
    expectOperands(p.operands, 2, 2);
    const std::string& source = p.operands[0];
    if (source == kStandardStream)
        fail("standard input: a patch is made from a named clean image, which it reads whole");
    const patch::Format format = formatFor(p.format, p.output);
    const Input target = read(p.operands[1], kAcceptsImage | kAcceptsText);
    std::optional<text::Stores> listed;
    if (target.kind == InputKind::Text)
        listed = storesOf(p.operands[1], target);
    std::string bytes;
    // The source is read whole (for BPS's checksums) through one read-only open.
    readImageChange(source, [&](const store::ImageFile& image, const store::Table& table) {
        inputs_.push_back(image.identity());
        store::Table wanted = target.image.table;
        if (listed) {
            wanted = table;
            for (int s = store::kFirstStore; s <= store::kLastStore; ++s)
                if ((*listed)[s])
                    wanted[s] = *(*listed)[s];
        }
        try {
            bytes = patch::makePatch(format, patch::FileImageBytes(image), image.layout(), table,
                                     wanted);
        } catch (const patch::PatchError& refusal) {
            throw ImageError(refusal.what(), source, refusal.what());
        }
        return wanted;
    });
    writeOutput(p.output, bytes, Content::Binary);
    return kSuccess;
}

int Run::diff(const Parsed& p) {
    expectOperands(p.operands, 2, 2);
    if (p.operands[0] == kStandardStream && p.operands[1] == kStandardStream)
        failUsage("only one side can be standard input");
    // One side at a time: a text's bytes are let go before the other side is read.
    const unsigned sides = kAcceptsImage | kAcceptsText;
    const text::Stores a = storesOf(p.operands[0], read(p.operands[0], sides));
    const text::Stores b = storesOf(p.operands[1], read(p.operands[1], sides));
    checkStandardOutputIsNoInput();
    const auto changes = differences(a, b);
    for (const SlotChange& change : changes)
        out_.put(text::describe(change) + "\n");
    return changes.empty() ? kSuccess : kDifferent;
}

// The layout as show's first line names it.
const char* layoutLine(store::Layout layout) {
    switch (layout) {
    case store::Layout::CopierHeader:
        return "512-byte copier header";
    case store::Layout::NoHeader:
        return "no copier header";
    case store::Layout::OtherSize:
        break;
    }
    return "a size of neither layout, read as with a 512-byte copier header";
}

int Run::show(const Parsed& p) {
    expectOperands(p.operands, 1, 2);
    int first = store::kFirstStore, last = store::kLastStore;
    if (p.operands.size() == 2) {
        const auto number = parseDecimal(p.operands[1], store::kLastStore);
        if (!number || *number > store::kLastStore)
            failUsage(quotedForTerminal(p.operands[1]) + ": expected a store number from 0 to 64");
        first = last = *number;
    }
    const store::ImageTable image = read(p.operands[0], kAcceptsImage).image;
    const store::Table& table = image.table;
    checkStandardOutputIsNoInput();
    out_.put(std::string("image: ") + layoutLine(image.layout) + "\n\n");
    for (int s = first; s <= last; ++s) {
        out_.put("store " + std::to_string(s) + "  " + std::string(catalog::kStoreNames[s]) +
                 "\n  slot   id  item\n");
        for (int k = store::kFirstSlot; k <= store::kLastSlot; ++k) {
            char line[32];
            std::snprintf(line, sizeof line, "  %4d  %3d  ", k, table[s][k - 1]);
            out_.put(line + itemName(table[s][k - 1]) + "\n");
        }
        if (s != last)
            out_.put("\n");
    }
    return kSuccess;
}

int Run::main(const std::vector<std::string>& arguments) {
    int status = kTrouble;
    try {
        if (arguments.empty())
            failUsage("no command");
        const std::string& command = arguments[0];
        if (command.starts_with("-") && command != kStandardStream) {
            const Parsed p = parse(arguments, nullptr);
            if (!p.operands.empty())
                failUsage("options come after the command: '" + escaped(p.operands.front()) + "'");
            if (p.help)
                out_.put(kUsage);
            else if (p.version)
                out_.put(std::string(kProgram) + " " + kVersionText + "\n");
            else
                failUsage("no command");
            status = kSuccess;
        } else {
            const CommandHelp* help = nullptr;
            for (const CommandHelp& h : kCommandHelp)
                if (command == h.name)
                    help = &h;
            if (!help)
                failUsage("unknown command '" + escaped(command) + "'");
            const Parsed p =
                parse(std::vector<std::string>(arguments.begin() + 1, arguments.end()), help->name);
            if (p.help) {
                out_.put(help->usage);
                status = kSuccess;
            } else if (command == "dump") {
                status = dump(p);
            } else if (command == "load") {
                status = load(p);
            } else if (command == "diff") {
                status = diff(p);
            } else if (command == "patch") {
                status = makePatch(p);
            } else {
                status = show(p);
            }
        }
    } catch (const Failure& failure) {
        say(failure.message);
        if (failure.usage)
            writeAll(ops_, streams_.error, std::string(kTryHelp) + "\n");
        status = kTrouble;
    } catch (const ImageError& error) {
        say(describe(error));
        status = kTrouble;
    }
    if (!out_.flushAndClose()) {
        say(std::string("write error: ") + std::strerror(out_.error()));
        status = kTrouble;
    }
    return status;
}

} // namespace

int runQuendleStores(FileOps& ops, const std::vector<std::string>& arguments,
                     const StandardStreams& streams) {
    Run run(ops, streams);
    return run.main(arguments);
}

} // namespace cli
