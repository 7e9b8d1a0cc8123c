#pragma once
// quendle-stores' commands, over the file calls alone, so that tests run them in
// the process with any file call failing.

#include "FileOps.h"

#include <string>
#include <unistd.h>
#include <vector>

namespace cli {

inline constexpr int kSuccess = 0;
inline constexpr int kDifferent = 1; // diff: the two sides differ
inline constexpr int kTrouble = 2;   // a usage error or a failed command

// The descriptors a run reads and writes as its standard streams. Standard output
// is closed at the end of the run, and the close is checked.
struct StandardStreams {
    int input = STDIN_FILENO;
    int output = STDOUT_FILENO;
    int error = STDERR_FILENO;
};

// Runs the command that arguments give (without the program's name) and gives the
// exit status.
int runQuendleStores(store::FileOps& ops, const std::vector<std::string>& arguments,
                     const StandardStreams& streams = {});

} // namespace cli
