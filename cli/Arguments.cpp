#include "Arguments.h"

#include <algorithm>

namespace kelpack {

namespace {

const OptionSpec* FindOption(const std::vector<OptionSpec>& options, const std::string& name) {
    const auto it = std::find_if(options.begin(), options.end(),
                                 [&name](const OptionSpec& o) { return o.Name == name; });
    return it == options.end() ? nullptr : &*it;
}

bool LooksLikeOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
}

}  // namespace

Arguments ParseArguments(const std::vector<std::string>& args,
                         const std::vector<OptionSpec>& options, size_t minPositional,
                         size_t maxPositional) {
    Arguments result;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || !LooksLikeOption(arg)) {
            result.Positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionSpec* spec = FindOption(options, name);
        if (!spec || (equals != std::string::npos && !spec->TakesValue))
            throw UsageError("unknown option: " + arg);
        if (result.Has(name))
            throw UsageError("option given twice: " + name);
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (spec->TakesValue) {
            if (i + 1 == args.size())
                throw UsageError("option " + name + " needs a value");
            value = args[++i];
        }
        result.Options[name] = value;
    }
    for (const OptionSpec& spec : options)
        if (spec.Required && !result.Has(spec.Name))
            throw UsageError("missing option " + spec.Name);
    if (result.Positional.size() < minPositional)
        throw UsageError("missing argument");
    if (result.Positional.size() > maxPositional)
        throw UsageError("unexpected argument: " + result.Positional[maxPositional]);
    return result;
}

}  // namespace kelpack
