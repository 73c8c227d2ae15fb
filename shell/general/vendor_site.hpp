#pragma once
// The vendor's web site, which the menus open and the pages' credit line names. The
// root is set once at build time (CMake cache variable PW_VENDOR_SITE) and can be
// overridden at run time with the environment variable PAGEWRIGHT_VENDOR_SITE.
#include <string>
#include <string_view>

namespace pw {

// The site root without a trailing slash, e.g. "https://www.kw5software.com".
std::string VendorSiteRoot();

// The root's host name, e.g. "www.kw5software.com".
std::string VendorDomain();

// root + path ("/step1.html"); an empty path gives the home page.
inline std::string VendorPage(std::string_view path) { return VendorSiteRoot() + std::string(path); }

}  // namespace pw
