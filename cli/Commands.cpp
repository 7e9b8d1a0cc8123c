#include "Commands.h"

#include "CommandTable.h"
#include "ErrorLine.h"
#include "Invocation.h"
#include "Quoting.h"
#include "Version.h"

#include <cstring>
#include <getopt.h>

namespace cli {

using store::FileError;
using text::escaped;

namespace {

// getopt's codes for the options without a letter start past every character.
constexpr int kFirstLongCode = 256;
constexpr int kHelpLetter = 'h';
constexpr int kVersionLetter = 'v';

int codeOf(const OptionSpelling& spelling, std::size_t index) {
    return spelling.letter ? spelling.letter : kFirstLongCode + int(index);
}

// Parses the words after the command (after the program's name when command is
// null, where only --help and --version are taken), by the command's options.
Arguments parse(const std::vector<std::string>& arguments, const Command* command) {
    std::vector<option> options{{"help", no_argument, nullptr, kHelpLetter},
                                {"version", no_argument, nullptr, kVersionLetter}};
    std::string letters = ":hv";
    for (std::size_t i = 0; i < std::size(kOptionSpellings); ++i) {
        const OptionSpelling& spelling = kOptionSpellings[i];
        options.push_back({spelling.name, spelling.takesValue ? required_argument : no_argument,
                           nullptr, codeOf(spelling, i)});
        if (spelling.letter)
            letters += std::string(1, spelling.letter) + (spelling.takesValue ? ":" : "");
    }
    options.push_back({nullptr, 0, nullptr, 0});

    const std::string name = command ? std::string(kProgram) + " " + command->name : kProgram;
    std::vector<std::string> words{name};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    Arguments parsed;
    optind = 0; // starts getopt afresh, for a second run in the same process
    opterr = 0; // its messages are ours
    for (;;) {
        const int code = getopt_long(int(argv.size() - 1), argv.data(), letters.c_str(),
                                     options.data(), nullptr);
        if (code == -1)
            break;
        const std::string word = argv[optind - 1] ? argv[optind - 1] : "";
        if (code == ':') {
            refuseUsage(word.starts_with("--")
                            ? "option '" + escaped(word) + "' requires an argument"
                            : "option requires an argument -- '" +
                                  escaped(std::string(1, char(optopt))) + "'");
        }
        const OptionSpelling* spelling = nullptr;
        for (std::size_t i = 0; i < std::size(kOptionSpellings); ++i)
            if (code == codeOf(kOptionSpellings[i], i))
                spelling = &kOptionSpellings[i];
        const bool known = code == kHelpLetter || (code == kVersionLetter && !command) ||
                           (spelling && command && (command->options & spelling->option));
        if (code == '?' || !known) {
            if (code == '?' && optopt != 0 && !word.starts_with("--"))
                refuseUsage("invalid option -- '" + escaped(std::string(1, char(optopt))) + "'");
            refuseUsage("unrecognized option '" + escaped(word) + "'");
        }
        if (code == kHelpLetter) {
            parsed.help = true;
        } else if (code == kVersionLetter) {
            parsed.version = true;
        } else if (spelling->option == kDryRunOption) {
            parsed.dryRun = true;
        } else if (spelling->option == kFormatOption) {
            if (parsed.format)
                refuseUsage("option '--format' given more than once");
            parsed.format = optarg;
        } else if (spelling->option == kOutputOption) {
            if (parsed.output)
                refuseUsage("option '-o' (--output) given more than once");
            parsed.output = optarg;
        }
    }
    for (int i = optind; i < int(argv.size() - 1); ++i)
        parsed.operands.emplace_back(argv[i]);
    if ((parsed.help || parsed.version) && !parsed.operands.empty())
        refuseUsage("extra operand '" + escaped(parsed.operands.front()) + "'");
    return parsed;
}

int run(Invocation& invocation, const std::vector<std::string>& arguments) {
    if (arguments.empty())
        refuseUsage("no command");
    const std::string& word = arguments[0];
    if (word.starts_with("-") && word != kStandardStream) {
        const Arguments parsed = parse(arguments, nullptr);
        if (!parsed.operands.empty())
            refuseUsage("options come after the command: '" + escaped(parsed.operands.front()) +
                        "'");
        if (parsed.help)
            invocation.out().put(generalHelp());
        else if (parsed.version)
            invocation.out().put(std::string(kProgram) + " " + kVersionText + "\n");
        else
            refuseUsage("no command");
        return kSuccess;
    }
    const Command* command = findCommand(word);
    if (!command)
        refuseUsage("unknown command '" + escaped(word) + "'");
    const Arguments parsed =
        parse(std::vector<std::string>(arguments.begin() + 1, arguments.end()), command);
    if (parsed.help) {
        invocation.out().put(commandHelp(*command));
        return kSuccess;
    }
    return command->run(invocation, parsed);
}

} // namespace

int runQuendleStores(store::FileOps& ops, const std::vector<std::string>& arguments,
                     const StandardStreams& streams) {
    Invocation invocation(ops, streams);
    int status = kTrouble;
    try {
        status = run(invocation, arguments);
    } catch (const Refusal& refusal) {
        invocation.say(refusal.line);
        if (refusal.usage)
            invocation.sayTryHelp();
        status = kTrouble;
    } catch (const FileError& error) {
        invocation.say(lineFor(error));
        status = kTrouble;
    }
    if (!invocation.out().flushAndClose()) {
        invocation.say(std::string("write error: ") + std::strerror(invocation.out().error()));
        status = kTrouble;
    }
    return status;
}

} // namespace cli
