// makeimage [--possessed] [--no-header] PATH: writes a demo image of 4 MiB of game
// data with a varied store table, so that the editor can be tried without a ROM at
// hand: with a 512-byte copier header in front, as older .smc dumps have, or without
// one (--no-header), as most .sfc dumps have. --possessed also writes the possession
// marker.
#include "ImageMaker.h"

#include <exception>
#include <iostream>
#include <string>

namespace {

constexpr int kUsageError = 2;
constexpr char kUsage[] =
    "Usage: makeimage [--possessed] [--no-header] PATH\n"
    "Writes a demo ROM image to PATH: 4 MiB of zeros with a varied store table, after\n"
    "a 512-byte copier header (4194816 bytes in all).\n"
    "\n"
    "      --no-header  write no copier header (4194304 bytes), as most dumps today\n"
    "      --possessed  also write the possession marker (the bytes 66, 111, 111)\n"
    "  -h, --help       show this help and exit\n";

} // namespace

int main(int argc, char** argv) {
    bool possessed = false;
    bool header = true;
    bool optionsEnd = false;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!optionsEnd && argument == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && (argument == "-h" || argument == "--help")) {
            std::cout << kUsage;
            return 0;
        } else if (!optionsEnd && argument == "--possessed") {
            possessed = true;
        } else if (!optionsEnd && argument == "--no-header") {
            header = false;
        } else if (!optionsEnd && argument.size() > 1 && argument[0] == '-') {
            std::cerr << "makeimage: unknown option '" << argument
                      << "'\nTry 'makeimage --help' for more information.\n";
            return kUsageError;
        } else if (!path.empty()) {
            std::cerr << "makeimage: more than one path: '" << path << "' and '" << argument
                      << "'\n";
            return kUsageError;
        } else {
            path = argument;
        }
    }
    if (path.empty()) {
        std::cerr << "makeimage: no path given\nTry 'makeimage --help' for more information.\n";
        return kUsageError;
    }
    try {
        auto image =
            tools::Image::demo(header ? tools::kDemoImageLength : tools::kHeaderlessImageLength);
        if (possessed)
            image.setMarker(66, 111, 111);
        image.save(path);
    } catch (const std::exception& error) {
        std::cerr << "makeimage: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
