#include "shell/general/vendor_site.hpp"

#include <cstdlib>

namespace pw {

std::string VendorSiteRoot() {
    const char* configured = std::getenv("PAGEWRIGHT_VENDOR_SITE");
    std::string root = configured && *configured ? configured : PW_VENDOR_SITE;
    while (root.ends_with('/')) root.pop_back();
    return root;
}

std::string VendorDomain() {
    const std::string root = VendorSiteRoot();
    const std::size_t scheme = root.find("://");
    const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    return root.substr(start, root.find('/', start) - start);
}

}  // namespace pw
