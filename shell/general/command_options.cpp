#include "shell/general/command_options.hpp"

#include <algorithm>

#include "shell/general/files.hpp"

namespace pw {
namespace {

bool IsSiteName(std::string_view site) {
    return !site.empty() && site != "." && site != ".." && site.find_first_of("/\\") == std::string_view::npos;
}

// The value of `--name VALUE` or `--name=VALUE` at args[i] (advancing i past it), or nothing
// when args[i] is another option.
std::expected<std::optional<std::string>, std::string> OptionValue(std::span<const std::string> args, std::size_t& i,
                                                                   std::string_view name) {
    const std::string_view arg = args[i];
    if (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=') {
        return std::string(arg.substr(name.size() + 1));
    }
    if (arg != name) return std::nullopt;
    if (i + 1 == args.size()) return std::unexpected(std::string(name) + " needs a value");
    return args[++i];
}

}  // namespace

std::optional<std::string> CommandLine::Value(std::string_view option) const {
    const auto value = values.find(option);
    if (value == values.end()) return std::nullopt;
    return value->second;
}

std::expected<CommandLine, std::string> ReadCommandLine(std::span<const std::string> args,
                                                        std::span<const std::string_view> ownFlags,
                                                        std::span<const std::string_view> ownOptions) {
    CommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            line.help = true;
            continue;
        }
        if (std::ranges::find(ownFlags, args[i]) != ownFlags.end()) {
            line.flags.insert(args[i]);
            continue;
        }
        bool known = false;
        for (const std::string_view option : ownOptions) {
            auto value = OptionValue(args, i, option);
            if (!value) return std::unexpected(value.error());
            if (!*value) continue;
            line.values[std::string(option)] = std::move(**value);
            known = true;
            break;
        }
        if (known) continue;
        auto site = OptionValue(args, i, "--site");
        if (!site) return std::unexpected(site.error());
        if (!*site) return std::unexpected("unknown option '" + args[i] + "'");
        line.site = std::move(**site);
    }
    if (!IsSiteName(line.site)) return std::unexpected("--site takes a site folder name, not a path");
    return line;
}

std::expected<CommandSite, int> OpenCommandSite(const std::filesystem::path& inst,
                                                std::expected<CommandLine, std::string> line, const CommandText& text,
                                                const EarlyExits& exits, std::ostream& out, std::ostream& err) {
    if (!line) {
        err << text.prefix << line.error() << "\n\n" << text.usage;
        return std::unexpected(exits.usageError);
    }
    if (line->help) {
        out << text.usage;
        return std::unexpected(exits.help);
    }
    const std::filesystem::path folder = ResolveInFolder(inst, line->site);
    std::error_code ignored;
    if (!std::filesystem::is_directory(folder, ignored)) {
        err << text.prefix << "there is no site \"" << line->site << "\" in " << inst.string() << "\n";
        return std::unexpected(exits.noSite);
    }
    return CommandSite{std::move(*line), folder};
}

}  // namespace pw
