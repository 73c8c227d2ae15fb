#pragma once
// The vendor's web site, whose pages the menus and hot-spots open. The root is set
// once at build time (CMake option PW_VENDOR_SITE) and can be overridden at run time
// with the environment variable PAGEWRIGHT_VENDOR_SITE.
#include <QString>

namespace pw {

// The site root without a trailing slash.
QString VendorSiteRoot();

// root + path ("/step1.html"); an empty path gives the home page.
inline QString VendorPage(const QString& path) { return VendorSiteRoot() + path; }

}  // namespace pw
