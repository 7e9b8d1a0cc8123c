// makeimage PATH: writes a 4 MiB demo image with a varied store table, so that the
// editor can be tried without a ROM at hand.
#include "ImageMaker.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: makeimage PATH\n";
        return 2;
    }
    try {
        tools::Image::demo().save(argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "makeimage: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
