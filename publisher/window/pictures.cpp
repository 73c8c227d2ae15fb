#include "publisher/window/pictures.hpp"

#include "shell/general/hot_spot.hpp"

// The pictures live in this static library, so it registers them itself on first use.
static void RegisterPublisherPictures() { Q_INIT_RESOURCE(publisher); }

namespace pw {

QPixmap PublisherPicture(const QString& name) {
    static const bool registered = (RegisterPublisherPictures(), true);
    (void)registered;
    return SharpPicture(QStringLiteral(":/publisher/") + name);
}

}  // namespace pw
