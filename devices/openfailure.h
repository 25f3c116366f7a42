#pragma once

#include <QSerialPort>
#include <QString>

// Why a local device did not open, told so that the operator can act on it.
namespace OpenFailure {

enum class Kind {
    Missing,         // no such device: unplugged, or the wrong name
    Held,            // another program has it open
    NoPermission,    // this user may not open it
    NotASerialPort,  // it opens but is no serial line (a file, a folder ...)
    Other,
};

struct Facts {
    Kind kind = Kind::Other;
    QString device;       // the name the port was opened by
    QString ownName;      // the device itself, where that is another name (a link's target)
    QString group;        // the group the device belongs to (NoPermission)
    QString holder;       // the program holding it, where the lock tells (Held)
    QString systemText;   // what the system said
};

// Why `device` did not open, from the serial port's error and what the
// file system says of the device.
[[nodiscard]] Facts factsFor(QSerialPort::SerialPortError error, const QString &device,
                             const QString &systemText);

// One or two sentences: what is wrong and what to do about it.
[[nodiscard]] QString explain(const Facts &facts);

} // namespace OpenFailure
