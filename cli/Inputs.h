#pragma once
// Reading one operand of a command, named by a path or "-" (standard input), and
// telling once what it is: a text of the table, an IPS or a BPS patch, or an image
// of one of the layouts. Memory stays bounded whatever an operand holds: a regular
// file is read by position (an image: its table's bytes alone), a stream no further
// than the largest text or patch, and an image from a stream only as far as its
// table (store/ImageReader.h).

#include "FileOps.h"
#include "ImageReader.h"

#include <cstddef>
#include <string>

namespace cli {

inline constexpr char kStandardStream[] = "-";

// A text of the table is a few kilobytes and a store patch less than one; anything
// past this is neither.
inline constexpr std::size_t kLargestText = std::size_t(16) << 20;

enum class InputKind { Text, IpsPatch, BpsPatch, Image };

// The kinds an operand may be, as a set.
enum Accepts : unsigned {
    kAcceptsText = 1u << 0,
    kAcceptsPatch = 1u << 1,
    kAcceptsImage = 1u << 2,
};

struct Input {
    InputKind kind = InputKind::Image;
    std::string bytes;            // a text's or a patch's bytes
    store::ImageTable image;      // an image's size, layout and table
    store::FileIdentity identity; // the file read, to tell an input from the output
};

// "a ROM image", "a store table text", "an IPS patch", "a BPS patch".
const char* kindName(InputKind kind);

// Reads the operand that name names (standard input for "-", from the descriptor
// input), tells its kind, and refuses a kind it does not accept, saying what the
// operand is. A file whose first bytes are a patch's or a text's, but that is long
// enough to hold an image's table, is taken as an image where an image is accepted.
// Throws store::FileError naming the operand.
Input readInput(store::FileOps& ops, const std::string& name, int input, unsigned accepts);

} // namespace cli
