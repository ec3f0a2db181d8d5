// Any bytes loaded as a catalogue: walking the entries both ways must agree with the entry
// count, and reading an entry either converts or throws kel::Error.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Catalogue.h"
#include "Error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kel::TCatalogue catalogue;
    try {
        catalogue = kel::TCatalogue::LoadFromMemory(
            std::string(reinterpret_cast<const char*>(data), size), "TeachMaterial.xml");
    } catch (const kel::Error&) {
        return 0;
    }
    int forward = 0;
    kel::TCatalogueNode last;
    for (kel::TCatalogueNode n = catalogue.FirstEntry(); !n.IsNull(); n = n.NextSibling()) {
        ++forward;
        last = n;
        n.NodeName();
        try {
            kel::ReadEntryRef(n);
        } catch (const kel::Error&) {
        }
    }
    int backward = 0;
    for (kel::TCatalogueNode n = last; !n.IsNull(); n = n.PreviousSibling())
        ++backward;
    if (forward != catalogue.EntryCount() || backward != forward)
        std::abort();
    return 0;
}
