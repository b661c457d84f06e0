// Listing benchmark: ListChildren over one container of many objects (10,000
// unless told otherwise), through the stand-in directory, several runs.
// Prints one line of figures (see FormatListingFigures); with --figures FILE
// the same line is also appended to FILE, so that other benchmarks can put
// the listing figure beside their own.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dirsession_support.h"

int main(int argc, char** argv)
{
    int objects = 10000;
    int runs = 5;
    const char* figuresFile = nullptr;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--figures") == 0 && i + 1 < argc) {
            figuresFile = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("dirsession_bench [objects] [runs] [--figures FILE]\n");
            return 0;
        } else {
            const int value = std::atoi(argv[i]);
            if (value <= 0) {
                std::fprintf(stderr, "dirsession_bench: not a count: %s\n", argv[i]);
                return 2;
            }
            (positional++ == 0 ? objects : runs) = value;
        }
    }
    if (objects > 240000) objects = 240000;  // the image holds at most 250000 objects a tree

    const dstest::ListingFigures figures = dstest::MeasureListing(objects, runs);
    const std::string line = "dirsession_bench " + dstest::FormatListingFigures(figures);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (figuresFile) {
        if (FILE* f = std::fopen(figuresFile, "a")) {
            std::fprintf(f, "%s\n", line.c_str());
            std::fclose(f);
        }
    }
    return figures.ok ? 0 : 1;
}
