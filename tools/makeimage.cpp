// makeimage [--possessed] PATH: writes a 4 MiB demo image with a varied store table,
// so that the editor can be tried without a ROM at hand. --possessed also writes the
// possession marker.
#include "ImageMaker.h"

#include <exception>
#include <iostream>
#include <string>

namespace {

constexpr int kUsageError = 2;
constexpr char kUsage[] =
    "Usage: makeimage [--possessed] PATH\n"
    "Writes a 4 MiB demo ROM image to PATH: zeros, with a varied store table.\n"
    "\n"
    "      --possessed  also write the possession marker (the bytes 66, 111, 111)\n"
    "  -h, --help       show this help and exit\n";

} // namespace

int main(int argc, char** argv) {
    bool possessed = false;
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
        auto image = tools::Image::demo();
        if (possessed)
            image.setMarker(66, 111, 111);
        image.save(path);
    } catch (const std::exception& error) {
        std::cerr << "makeimage: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
