#include "catalogue/commandtext.h"

#include "protocol/frame.h"

QStringView Catalogue::commandText(QStringView text)
{
    const qsizetype bracket = text.indexOf(u'[');
    return bracket < 0 ? text : text.first(bracket);
}

QByteArray Catalogue::preparedFrame(QStringView text)
{
    return Protocol::frame(commandText(text).toLatin1());
}

QString Catalogue::editText(QStringView commandText)
{
    return commandText.toString() + CrMarker;
}
