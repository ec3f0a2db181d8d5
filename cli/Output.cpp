#include "Output.h"

#include <unistd.h>

#include <cstdio>

#include "Error.h"

namespace kelpack {

void PrintError(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "kelpack: %s\n", message.c_str());
}

void PrintWarning(const std::string& message) {
    PrintError("warning: " + message);
}

std::string Printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (byte < 0x20 || byte == 0x7F)
            out += kel::Format("\\x%02X", byte);
        else
            out += c;
    }
    return out;
}

bool StdoutIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

}  // namespace kelpack
