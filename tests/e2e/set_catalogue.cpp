// Gives a bundle a catalogue with exactly the given entries, such as an ID no writer would
// accept. Usage: e2e_set_catalogue BUNDLE 'ID="0" System="-1"' 'ID="5" System="-1"' ...
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "BundleFixture.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: e2e_set_catalogue BUNDLE ENTRY-ATTRIBUTES...\n");
        return 2;
    }
    try {
        const std::vector<std::string> entries(argv + 2, argv + argc);
        kel::test::ReplaceCatalogue(argv[1], kel::test::CatalogueXml(entries));
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "e2e_set_catalogue: %s\n", error.what());
        return 1;
    }
}
