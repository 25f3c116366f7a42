#include "catalogue/commandtext.h"

QStringView Catalogue::commandText(QStringView text)
{
    const qsizetype bracket = text.indexOf(u'[');
    return bracket < 0 ? text : text.first(bracket);
}

QByteArray Catalogue::preparedFrame(QStringView text)
{
    return commandText(text).toLatin1() + '\r';
}

QString Catalogue::editText(QStringView commandText)
{
    return commandText.toString() + CrMarker;
}
