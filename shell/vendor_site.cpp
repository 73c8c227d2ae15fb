#include "shell/vendor_site.hpp"

namespace pw {

QString VendorSiteRoot() {
    QString root = qEnvironmentVariable("PAGEWRIGHT_VENDOR_SITE", QStringLiteral(PW_VENDOR_SITE));
    while (root.endsWith(QLatin1Char('/'))) root.chop(1);
    return root;
}

}  // namespace pw
