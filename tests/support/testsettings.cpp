#include "support/testsettings.h"

#include "link/linksettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace TestSettings {

void useTemporaryStore()
{
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
    clear();
}

void clear()
{
    auto store = LinkSettings::openStore();
    store->clear();
    store->sync();
}

void setValue(const QString &group, const QString &key, const QString &value)
{
    auto store = LinkSettings::openStore();
    store->beginGroup(group);
    store->setValue(key, value);
    store->endGroup();
    store->sync();
}

QString value(const QString &group, const QString &key)
{
    auto store = LinkSettings::openStore();
    return store->value(group + u'/' + key).toString();
}

bool contains(const QString &group, const QString &key)
{
    auto store = LinkSettings::openStore();
    return store->contains(group + u'/' + key);
}

void mapPort(int portNumber, const QString &device)
{
    setValue(QLatin1StringView(LinkSettings::PortsGroup), QStringLiteral("COM%1").arg(portNumber),
             device);
}

void storeLink(const QString &comPort, const QString &baudRate)
{
    const QString section = QLatin1StringView(LinkSettings::Section);
    if (!comPort.isNull())
        setValue(section, QLatin1StringView(LinkSettings::ComPortKey), comPort);
    if (!baudRate.isNull())
        setValue(section, QLatin1StringView(LinkSettings::BaudRateKey), baudRate);
}

QString storeFilePath()
{
    return LinkSettings::openStore()->fileName();
}

QByteArray storeFileBytes()
{
    QFile file(storeFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeStoreFile(const QByteArray &bytes)
{
    QFile file(storeFilePath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

} // namespace TestSettings
