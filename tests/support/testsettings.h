#pragma once

#include <QByteArray>
#include <QString>

// Points the settings store at a private temporary folder for the whole test
// process, and writes and clears the link settings there.
namespace TestSettings {

// Call before anything touches the settings store.
void useTemporaryStore();
void clear();
void setValue(const QString &group, const QString &key, const QString &value);
[[nodiscard]] QString value(const QString &group, const QString &key);
[[nodiscard]] bool contains(const QString &group, const QString &key);
// Maps "COMn" to a device, as the "Ports" group does for real adapters.
void mapPort(int portNumber, const QString &device);
void storeLink(const QString &comPort, const QString &baudRate);

// The store's file itself, for tests that damage it or check that it was
// left alone byte for byte.
[[nodiscard]] QString storeFilePath();
[[nodiscard]] QByteArray storeFileBytes();
void writeStoreFile(const QByteArray &bytes);

} // namespace TestSettings
