// makeimage [--possessed] PATH: writes a 4 MiB demo image with a varied store table,
// so that the editor can be tried without a ROM at hand. --possessed also writes the
// possession marker.
#include "ImageMaker.h"

#include <exception>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    const bool possessed = argc == 3 && std::string(argv[1]) == "--possessed";
    if (argc != 2 && !possessed) {
        std::cerr << "usage: makeimage [--possessed] PATH\n";
        return 2;
    }
    try {
        auto image = tools::Image::demo();
        if (possessed)
            image.setMarker(66, 111, 111);
        image.save(argv[argc - 1]);
    } catch (const std::exception& error) {
        std::cerr << "makeimage: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
