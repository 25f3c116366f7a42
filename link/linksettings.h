#pragma once

#include <QString>

#include <memory>

class QSettings;

// The two link values as the settings store keeps them, and the serial
// parameter strings they select.
namespace LinkSettings {

inline constexpr char Application[] = "ORVA";
inline constexpr char Section[] = "StartUP";
inline constexpr char ComPortKey[] = "ComPort";
inline constexpr char BaudRateKey[] = "BaudRate";
inline constexpr char ComPortDefault[] = "DATAC";
inline constexpr char BaudRateDefault[] = "DATAb";

// Optional group mapping "COMn" to a device on systems without COM names.
inline constexpr char PortsGroup[] = "Ports";

inline constexpr quint8 Baud9600 = 96;
inline constexpr quint8 Baud19200 = 192;
inline constexpr qint16 FirstPort = 1;
inline constexpr qint16 LastPort = 15;

// The per-user store: $XDG_CONFIG_HOME/ORVA.conf on Linux; on Windows the
// registry key HKEY_CURRENT_USER\Software\VB and VBA Program Settings\ORVA,
// its values strings (REG_SZ).
[[nodiscard]] std::unique_ptr<QSettings> openStore();

[[nodiscard]] bool isUsablePort(qint16 portNumber);

// A stored text read as a port number; values that do not fit 16 bits read as 0.
[[nodiscard]] qint16 portNumberFromText(const QString &stored);
// A stored text read as a baud code; values that do not fit 8 bits read as 0.
[[nodiscard]] quint8 baudCodeFromText(const QString &stored);

// "9600,N,8,1" for code 96, "19200,N,8,1" for every other code.
[[nodiscard]] QString serialParameters(quint8 baudCode);

[[nodiscard]] qint16 readPortNumber(QSettings &store);
[[nodiscard]] quint8 readBaudCode(QSettings &store);
void save(QSettings &store, qint16 portNumber, quint8 baudCode);

} // namespace LinkSettings
