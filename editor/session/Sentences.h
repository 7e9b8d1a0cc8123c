#pragma once
// Failures as the editor's message boxes say them: whole sentences that name the
// file, say what failed, what to do, and what the image now holds.

#include "FileError.h"

#include <string>

namespace session {

std::string sentenceFor(const store::FileError& error);

} // namespace session
