#include "app/appidentity.h"

namespace AppIdentity {

QIcon windowIcon()
{
    QIcon icon;
    for (int size : {32, 64})
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(QLatin1StringView(DesktopId)).arg(size),
                     QSize(size, size));
    return icon;
}

} // namespace AppIdentity
