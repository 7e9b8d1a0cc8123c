#pragma once
// Reading one side of a command: an image or a text of the table, named by a path
// or "-" (standard input). Memory stays bounded whatever a side holds: a regular
// file is read by position (an image: the table's bytes alone), a pipe or a device
// up to the table's end (an image) or the largest text, and no further.

#include "FileOps.h"
#include "ImageFile.h"
#include "TableText.h"

#include <cstddef>
#include <string>

namespace cli {

inline constexpr char kStandardStream[] = "-";

// A text of the table is a few kilobytes; anything past this is not one.
inline constexpr std::size_t kLargestText = std::size_t(16) << 20;

enum class Expect { Image, Text, Either };

struct Side {
    text::SourceKind kind = text::SourceKind::Image;
    store::Table table{};         // an image's table
    std::string text;             // a text's bytes
    store::FileIdentity identity; // the file read, to tell an input from the output
};

// Reads the side that name names (standard input for "-", from the descriptor
// input). Throws store::ImageError naming the side.
Side readSide(store::FileOps& ops, const std::string& name, int input, Expect expect);

} // namespace cli
