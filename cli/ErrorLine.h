#pragma once
// Failures as quendle-stores reports them: one line on standard error, after the
// program's name, naming the file and saying in a phrase what failed and what the
// image now holds; every byte from a name or a file escaped for the terminal.

#include "FileError.h"

#include <string>

namespace cli {

// How a line names a file: standard input by that name, any other quoted and
// escaped.
std::string nameOf(const std::string& file);

// "\"rom.smc\": cannot open for reading: No such file or directory; nothing was
// written"
std::string lineFor(const store::FileError& error);

} // namespace cli
