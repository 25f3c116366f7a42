#include "bridge/panelframes.h"

#include "panel/paneltable.h"

QByteArray panelFrame(QByteArrayView accessibleName)
{
    for (const PanelTable::Button &button : PanelTable::buttons()) {
        if (button.sends && accessibleName == button.accessibleName)
            return QByteArray(button.sends) + '\r';
    }
    return {};
}
