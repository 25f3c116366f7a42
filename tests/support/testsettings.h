#pragma once

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

} // namespace TestSettings
