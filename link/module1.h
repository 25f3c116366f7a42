#pragma once

#include <QByteArray>
#include <QtGlobal>

// Values shared by the windows.
struct Module1 {
    // The frame last stored by the main window's one-shot buttons or the hold
    // repeat, CR included.
    QByteArray pendingCommand;

    // 1 to 15 valid, 0 = none chosen.
    qint16 portNumber = 0;
    // 96 = 9600 baud; every other value is taken as 19200.
    quint8 baudCode = 0;

    // What the "COM" button found in force, for the port dialog's Cancel.
    qint16 previousPortNumber = 0;
    quint8 previousBaudCode = 0;
};
