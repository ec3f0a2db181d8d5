// make_swf: writes a Flash movie of one frame (AVM1, SWF version 8) from its command line.
// Exit status 0 on success, 1 on an error, 2 when the command line is wrong.

#include <charconv>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "Error.h"
#include "ReplaceFile.h"
#include "SwfWriter.h"

namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: make_swf OUT.swf [--compress] --stage W H --background RRGGBB [--fps N]\n"
    "                [--rect X Y W H RRGGBB]... [--text X Y FONT SIZE RRGGBB TEXT]...\n"
    "                [--fscommand COMMAND ARGS]...\n\n"
    "Writes a movie of one frame for AVM1 (SWF version 8). Positions and sizes are stage\n"
    "pixels, X Y the top-left corner. Rectangles are solid and drawn in order, below the\n"
    "texts; a text is a read-only field in the device font FONT (the player draws it with\n"
    "the system's font of that name), SIZE pixels high. The frame sends the FSCommands in\n"
    "order, then stops. --compress writes \"CWS\" (zlib), else \"FWS\"; --fps defaults to 12.\n";

class UsageError : public kel::Error {
  public:
    using kel::Error::Error;
};

// The arguments of one option after another, each checked as it is taken.
class Arguments {
  public:
    Arguments(int argc, char** argv) : FArgs(argv + 1, argv + argc) {}

    bool AtEnd() const { return FNext >= FArgs.size(); }

    std::string Text(const char* what) {
        if (AtEnd())
            throw UsageError(kel::Format("%s is missing", what));
        return FArgs[FNext++];
    }

    int Int(const char* what) { return Parsed<int>(what, "a whole number"); }
    double Number(const char* what) { return Parsed<double>(what, "a number"); }

    // Six hexadecimal digits, an optional '#' before them.
    uint32_t Color(const char* what) {
        const std::string text = Text(what);
        std::string_view digits = text;
        if (digits.starts_with('#'))
            digits.remove_prefix(1);
        uint32_t value = 0;
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (digits.size() != 6 || ec != std::errc() || end != digits.data() + digits.size())
            throw UsageError(kel::Format("%s \"%s\" is not a colour RRGGBB", what, text.c_str()));
        return value;
    }

  private:
    template <typename T>
    T Parsed(const char* what, const char* kind) {
        const std::string text = Text(what);
        T value{};
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || end != text.data() + text.size())
            throw UsageError(kel::Format("%s \"%s\" is not %s", what, text.c_str(), kind));
        return value;
    }

    std::vector<std::string> FArgs;
    size_t FNext = 0;
};

struct Options {
    std::string Out;
    bool Compress = false;
    kel::swf::Movie Movie;
};

Options Parse(Arguments& args) {
    Options options;
    bool hasStage = false;
    bool hasBackground = false;
    while (!args.AtEnd()) {
        const std::string arg = args.Text("argument");
        if (arg == "--compress") {
            options.Compress = true;
        } else if (arg == "--stage") {
            options.Movie.Width = args.Int("--stage W");
            options.Movie.Height = args.Int("--stage H");
            hasStage = true;
        } else if (arg == "--background") {
            options.Movie.Background = args.Color("--background");
            hasBackground = true;
        } else if (arg == "--fps") {
            options.Movie.FrameRate = args.Number("--fps");
        } else if (arg == "--rect") {
            kel::swf::Rect& rect = options.Movie.Rects.emplace_back();
            rect.X = args.Int("--rect X");
            rect.Y = args.Int("--rect Y");
            rect.Width = args.Int("--rect W");
            rect.Height = args.Int("--rect H");
            rect.Color = args.Color("--rect colour");
        } else if (arg == "--text") {
            kel::swf::Text& text = options.Movie.Texts.emplace_back();
            text.X = args.Int("--text X");
            text.Y = args.Int("--text Y");
            text.Font = args.Text("--text FONT");
            text.Size = args.Int("--text SIZE");
            text.Color = args.Color("--text colour");
            text.Content = args.Text("--text TEXT");
        } else if (arg == "--fscommand") {
            kel::swf::FsCommand& command = options.Movie.FsCommands.emplace_back();
            command.Command = args.Text("--fscommand COMMAND");
            command.Args = args.Text("--fscommand ARGS");
        } else if (arg.starts_with("-")) {
            throw UsageError(kel::Format("unknown option %s", arg.c_str()));
        } else if (options.Out.empty()) {
            options.Out = arg;
        } else {
            throw UsageError(kel::Format("a second output file: %s", arg.c_str()));
        }
    }
    if (options.Out.empty())
        throw UsageError("the output file is missing");
    if (!hasStage)
        throw UsageError("--stage is missing");
    if (!hasBackground)
        throw UsageError("--background is missing");
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string_view(argv[1]) == "-h" || std::string_view(argv[1]) == "--help")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options options;
    try {
        Arguments args(argc, argv);
        options = Parse(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "make_swf: %s\n\n%s", e.what(), kUsage);
        return kExitUsage;
    }
    try {
        const std::vector<uint8_t> bytes = kel::swf::WriteMovie(options.Movie, options.Compress);
        kel::ReplacingFile file(options.Out, 0666);
        file.Write(bytes.data(), bytes.size());
        file.Commit();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_swf: %s\n", e.what());
        return kExitError;
    }
    return 0;
}
