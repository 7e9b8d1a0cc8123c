// quendle-stores: the store table of a ROM image as text, for scripts, version
// control and review. dump writes the table as text, load writes a text's stores
// into an image, diff lists the slots in which two images or dumps differ, show
// prints stores as a table. It keeps the editor's safety rules: it never creates or
// extends an image, writes nothing but the listed stores, flushes before it reports
// success, and writes nothing at all on any error.
#include "ImageError.h"
#include "StoreCatalog.h"
#include "TableFile.h"
#include "TableText.h"
#include "Version.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace store;
using namespace text;

namespace {

constexpr char kProgram[] = "quendle-stores";
constexpr int kSuccess = 0;
constexpr int kDifferent = 1; // diff: the two sides differ
constexpr int kTrouble = 2;   // a usage error or a failed command
constexpr char kStdio[] = "-";
// A text of the table is a few kilobytes; anything far larger is not one. An image
// read from a pipe is held whole, up to a size far past any real one.
constexpr std::size_t kLargestText = std::size_t(16) << 20;
constexpr std::size_t kLargestPipedImage = std::size_t(1) << 30;

constexpr char kUsage[] =
    "Usage: quendle-stores COMMAND ARGUMENTS\n"
    "The store table of a ROM image as text.\n"
    "\n"
    "  dump IMAGE [-o FILE]          the whole table as text (to FILE, or standard output)\n"
    "  load IMAGE FILE [--dry-run]   write the stores that FILE lists into IMAGE;\n"
    "                                --dry-run prints the changes and writes nothing\n"
    "  diff A B                      the slots in which A and B (images or dumps) differ;\n"
    "                                status 0 when equal, 1 when they differ, 2 on trouble\n"
    "  show IMAGE [STORE]            one store, or all, as a table of slot, id and name\n"
    "\n"
    "  -h, --help                    show this help and exit\n"
    "  -v, --version                 show the version and exit\n"
    "\n"
    "A FILE, IMAGE, A or B of - is standard input (or, for -o, standard output).\n"
    "In a text, each line holds a store number and its seven item ids; '#' starts a\n"
    "comment, where dump writes the names. Nothing is written on any error.\n";

struct Failure {
    std::string message;
};

[[noreturn]] void fail(const std::string& message) {
    throw Failure{message};
}

std::string quoted(const std::string& name) {
    return name == kStdio ? std::string("standard input") : "\"" + name + "\"";
}

std::string storeName(int store) {
    return std::string(catalog::kStoreNames[store]);
}

// Reads all of a file (a regular one, a pipe such as <(...), a device), or of
// standard input for "-", up to limit bytes; more is refused.
std::string readAll(const std::string& name, std::size_t limit, const char* what) {
    const bool stdio = name == kStdio;
    const int fd = stdio ? STDIN_FILENO : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail("cannot open " + quoted(name) + ": " + std::strerror(errno));
    std::string bytes;
    char buffer[1 << 16];
    int error = 0;
    bool tooLarge = false;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            error = errno;
        else if (bytes.size() + std::size_t(got) > limit)
            tooLarge = true;
        if (got <= 0 || tooLarge)
            break;
        bytes.append(buffer, std::size_t(got));
    }
    if (!stdio)
        ::close(fd);
    if (error != 0)
        fail("cannot read " + quoted(name) + ": " + std::strerror(error));
    if (tooLarge)
        fail(quoted(name) + " is too large to be " + what);
    return bytes;
}

std::string readText(const std::string& name) {
    return readAll(name, kLargestText, "a store table text");
}

void reportTextErrors(const std::string& name, const TableText& text) {
    for (const TextError& error : text.errors) {
        std::string atFault = error.text;
        if (atFault.size() > 60)
            atFault = atFault.substr(0, 60) + "...";
        std::cerr << kProgram << ": " << (name == kStdio ? std::string("<stdin>") : name) << ":"
                  << error.line << ": " << (atFault.empty() ? "" : "\"" + atFault + "\": ")
                  << "expected " << error.expected << "\n";
    }
}

TableText parseText(const std::string& name, const std::string& bytes) {
    TableText text = parseTableText(bytes);
    if (!text.errors.empty()) {
        reportTextErrors(name, text);
        fail(quoted(name) + ": " + std::to_string(text.errors.size()) +
             (text.errors.size() == 1 ? " error" : " errors") + "; nothing was written");
    }
    return text;
}

// One side of a comparison: all stores of an image, the listed ones of a text. A
// text begins with its format line, an image with anything else; a regular file is
// told by its first bytes, a pipe is read whole first.
Stores sideOf(const std::string& name) {
    PosixFileOps ops;
    std::string bytes;
    bool regular = false;
    if (name != kStdio) {
        const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            fail("cannot open " + quoted(name) + ": " + std::strerror(errno));
        struct stat info {};
        char head[4096];
        ssize_t got = -1;
        regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
        if (regular)
            got = ::pread(fd, head, sizeof head, 0);
        ::close(fd);
        if (regular && !(got > 0 && looksLikeTableText(std::string_view(head, std::size_t(got)))))
            return allStores(readTableOf(ops, name));
    }
    bytes = readAll(name, kLargestPipedImage, "an image or a store table text");
    if (!looksLikeTableText(bytes))
        return allStores(tableOfBytes(bytes, name == kStdio ? "standard input" : name));
    Stores side;
    for (const ListedStore& store : parseText(name, bytes).stores)
        side[store.store] = store.ids;
    return side;
}

Table imageTable(const std::string& name) {
    PosixFileOps ops;
    if (name == kStdio)
        return tableOfBytes(readAll(name, kLargestPipedImage, "an image"), "standard input");
    return readTableOf(ops, name);
}

// Writes text to name ("-": standard output) through a file beside it that is
// renamed over it once whole, so that a failed write leaves any old file as it was.
void writeText(const std::string& name, const std::string& text, const std::string& image) {
    if (name == kStdio) {
        std::cout << text << std::flush;
        if (!std::cout)
            fail("cannot write standard output");
        return;
    }
    struct stat target {};
    struct stat source {};
    if (::stat(name.c_str(), &target) == 0 && ::stat(image.c_str(), &source) == 0 &&
        target.st_dev == source.st_dev && target.st_ino == source.st_ino)
        fail(quoted(name) + " is the image itself; the dump would overwrite it");
    const std::string temporary = name + ".quendle-stores-XXXXXX";
    std::vector<char> pattern(temporary.begin(), temporary.end());
    pattern.push_back('\0');
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        fail("cannot write " + quoted(name) + ": " + std::strerror(errno));
    std::size_t done = 0;
    int error = 0;
    while (done < text.size() && error == 0) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno != EINTR)
            error = errno;
        else if (put > 0)
            done += std::size_t(put);
    }
    // mkstemp makes the file for its owner alone; a dump is an ordinary file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (error == 0 && ::fchmod(fd, 0666 & ~mask) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(pattern.data(), name.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(pattern.data());
        fail("cannot write " + quoted(name) + ": " + std::strerror(error));
    }
}

// Options and operands of one command.
struct Words {
    std::vector<std::string> operands;
    std::vector<std::string> flags; // given flags, among those allowed
    std::optional<std::string> output;
};

Words words(const std::vector<std::string>& arguments, const std::vector<std::string>& allowed,
            bool takesOutput) {
    Words result;
    bool optionsEnd = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (!optionsEnd && word == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && takesOutput && (word == "-o" || word == "--output")) {
            if (i + 1 == arguments.size())
                fail("option '" + word + "' needs a file name");
            result.output = arguments[++i];
        } else if (!optionsEnd && word.size() > 1 && word[0] == '-') {
            if (std::find(allowed.begin(), allowed.end(), word) == allowed.end())
                fail("unknown option '" + word + "'");
            result.flags.push_back(word);
        } else {
            result.operands.push_back(word);
        }
    }
    return result;
}

void expectOperands(const Words& w, std::size_t least, std::size_t most, const char* usage) {
    if (w.operands.size() < least || w.operands.size() > most)
        fail(std::string(w.operands.size() < least ? "missing" : "too many") +
             " arguments; usage: quendle-stores " + usage);
}

int dump(const std::vector<std::string>& arguments) {
    const Words w = words(arguments, {}, true);
    expectOperands(w, 1, 1, "dump IMAGE [-o FILE]");
    const std::string text = formatTableText(imageTable(w.operands[0]));
    writeText(w.output.value_or(kStdio), text, w.operands[0]);
    return kSuccess;
}

int load(const std::vector<std::string>& arguments) {
    const Words w = words(arguments, {"--dry-run"}, false);
    expectOperands(w, 2, 2, "load IMAGE FILE [--dry-run]");
    const std::string& image = w.operands[0];
    const std::string& file = w.operands[1];
    if (image == kStdio)
        fail("cannot load into standard input: name an image file");
    const TableText listed = parseText(file, readText(file));
    if (!w.flags.empty()) {
        const Stores before = allStores(imageTable(image));
        Stores after = before;
        for (const ListedStore& store : listed.stores)
            after[store.store] = store.ids;
        for (const SlotChange& change : differences(before, after))
            std::cout << describe(change) << '\n';
        return kSuccess;
    }
    PosixFileOps ops;
    const LoadResult result = loadStores(ops, image, listed.stores);
    std::cerr << kProgram << ": " << quoted(image) << ": " << result.changed << " of "
              << result.listed << " listed stores changed"
              << (result.changed ? ", written and flushed" : "; nothing was written") << "\n";
    return kSuccess;
}

int diff(const std::vector<std::string>& arguments) {
    const Words w = words(arguments, {}, false);
    expectOperands(w, 2, 2, "diff IMAGE_OR_DUMP IMAGE_OR_DUMP");
    if (w.operands[0] == kStdio && w.operands[1] == kStdio)
        fail("only one side can be standard input");
    const auto changes = differences(sideOf(w.operands[0]), sideOf(w.operands[1]));
    for (const SlotChange& change : changes)
        std::cout << describe(change) << '\n';
    return changes.empty() ? kSuccess : kDifferent;
}

int show(const std::vector<std::string>& arguments) {
    const Words w = words(arguments, {}, false);
    expectOperands(w, 1, 2, "show IMAGE [STORE]");
    int first = kFirstStore, last = kLastStore;
    if (w.operands.size() == 2) {
        const std::string& word = w.operands[1];
        const bool digits = !word.empty() && word.size() <= 2 &&
                            word.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || std::stoi(word) > kLastStore)
            fail("\"" + word + "\" is not a store number; expected 0 to 64");
        first = last = std::stoi(word);
    }
    const Table table = imageTable(w.operands[0]);
    for (int s = first; s <= last; ++s) {
        std::cout << "store " << s << "  " << storeName(s) << "\n  slot   id  item\n";
        for (int k = kFirstSlot; k <= kLastSlot; ++k) {
            char line[32];
            std::snprintf(line, sizeof line, "  %4d  %3d  ", k, table[s][k - 1]);
            std::cout << line << itemName(table[s][k - 1]) << "\n";
        }
        if (s != last)
            std::cout << "\n";
    }
    return kSuccess;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> all(argv + 1, argv + argc);
    if (all.empty()) {
        std::cerr << kProgram << ": no command\nTry 'quendle-stores --help' for more "
                  << "information.\n";
        return kTrouble;
    }
    const std::string& command = all[0];
    if (command == "-h" || command == "--help") {
        std::cout << kUsage;
        return kSuccess;
    }
    if (command == "-v" || command == "--version") {
        std::cout << kProgram << " " << kVersionText << "\n";
        return kSuccess;
    }
    const std::vector<std::string> arguments(all.begin() + 1, all.end());
    try {
        if (command == "dump")
            return dump(arguments);
        if (command == "load")
            return load(arguments);
        if (command == "diff")
            return diff(arguments);
        if (command == "show")
            return show(arguments);
        fail("unknown command '" + command + "'");
    } catch (const Failure& failure) {
        std::cerr << kProgram << ": " << failure.message << "\n";
    } catch (const ImageError& error) {
        std::cerr << kProgram << ": " << error.what() << "\n";
    }
    if (command != "dump" && command != "load" && command != "diff" && command != "show")
        std::cerr << "Try 'quendle-stores --help' for more information.\n";
    return kTrouble;
}
