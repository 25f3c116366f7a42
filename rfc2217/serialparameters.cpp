#include "rfc2217/serialparameters.h"

#include <QString>
#include <QStringList>

std::optional<SerialParameters> SerialParameters::parse(QStringView text)
{
    const QList<QStringView> fields = text.split(u',');
    if (fields.size() != 4)
        return std::nullopt;

    SerialParameters p;
    bool ok = false;
    p.baudRate = fields[0].trimmed().toInt(&ok);
    if (!ok || p.baudRate <= 0)
        return std::nullopt;

    const QString parity = fields[1].trimmed().toString().toUpper();
    if (parity == u"N")
        p.parity = Parity::None;
    else if (parity == u"E")
        p.parity = Parity::Even;
    else if (parity == u"O")
        p.parity = Parity::Odd;
    else if (parity == u"M")
        p.parity = Parity::Mark;
    else if (parity == u"S")
        p.parity = Parity::Space;
    else
        return std::nullopt;

    p.dataBits = fields[2].trimmed().toInt(&ok);
    if (!ok || p.dataBits < 5 || p.dataBits > 8)
        return std::nullopt;

    const QStringView stop = fields[3].trimmed();
    if (stop == u"1")
        p.stopBits = StopBits::One;
    else if (stop == u"1.5")
        p.stopBits = StopBits::OneAndHalf;
    else if (stop == u"2")
        p.stopBits = StopBits::Two;
    else
        return std::nullopt;
    return p;
}

QDebug operator<<(QDebug debug, const SerialParameters &p)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "SerialParameters(" << p.baudRate << ", parity " << int(p.parity) << ", "
                    << p.dataBits << " data, stop " << int(p.stopBits) << ')';
    return debug;
}
