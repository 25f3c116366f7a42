#include "link/linksettings.h"

#include "link/numericprefix.h"

#include <QSettings>

#include <limits>

namespace LinkSettings {

std::unique_ptr<QSettings> openStore()
{
#ifdef Q_OS_WIN
    // Where the runtime's GetSetting and SaveSetting keep an application's
    // sections, so a PC that ran the earlier program keeps its port.
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\")
                                           + QString::fromLatin1(Application),
                                       QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromLatin1(Application));
#endif
}

bool isUsablePort(qint16 portNumber)
{
    return portNumber >= FirstPort && portNumber <= LastPort;
}

qint16 portNumberFromText(const QString &stored)
{
    const double v = NumericPrefix::value(stored);
    if (v < std::numeric_limits<qint16>::min() || v > std::numeric_limits<qint16>::max())
        return 0;
    return static_cast<qint16>(v);
}

quint8 baudCodeFromText(const QString &stored)
{
    const double v = NumericPrefix::value(stored);
    if (v < 0 || v > std::numeric_limits<quint8>::max())
        return 0;
    return static_cast<quint8>(v);
}

QString serialParameters(quint8 baudCode)
{
    return baudCode == Baud9600 ? QStringLiteral("9600,N,8,1") : QStringLiteral("19200,N,8,1");
}

namespace {
QString readText(QSettings &store, const char *key, const char *defaultText)
{
    store.beginGroup(QLatin1StringView(Section));
    const QVariant v = store.value(QLatin1StringView(key), QString::fromLatin1(defaultText));
    store.endGroup();
    // A value of another type (a list, a binary blob) is not a stored number.
    return v.canConvert<QString>() ? v.toString() : QString();
}
} // namespace

qint16 readPortNumber(QSettings &store)
{
    return portNumberFromText(readText(store, ComPortKey, ComPortDefault));
}

quint8 readBaudCode(QSettings &store)
{
    return baudCodeFromText(readText(store, BaudRateKey, BaudRateDefault));
}

void save(QSettings &store, qint16 portNumber, quint8 baudCode)
{
    store.beginGroup(QLatin1StringView(Section));
    store.setValue(QLatin1StringView(ComPortKey), QString::number(portNumber));
    store.setValue(QLatin1StringView(BaudRateKey), QString::number(baudCode));
    store.endGroup();
    store.sync();
}

} // namespace LinkSettings
