#pragma once
// The publisher windows' pictures ("background.png", "help.png"), compiled into their
// library; a null pixmap for a name it does not hold.
#include <QPixmap>

namespace pw {

QPixmap PublisherPicture(const QString& name);

}  // namespace pw
