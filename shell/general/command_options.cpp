#include "shell/general/command_options.hpp"

#include "builder/store/site_files.hpp"

namespace pw {

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

bool IsSiteName(std::string_view site) {
    return !site.empty() && site != "." && site != ".." && site.find_first_of("/\\") == std::string_view::npos;
}

std::optional<std::filesystem::path> FindSiteFolder(const std::filesystem::path& inst, std::string_view site) {
    const std::filesystem::path folder = store::ResolveInFolder(inst, site);
    std::error_code ignored;
    if (!std::filesystem::is_directory(folder, ignored)) return std::nullopt;
    return folder;
}

}  // namespace pw
