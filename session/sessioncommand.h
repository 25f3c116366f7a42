#pragma once

#include <QByteArray>
#include <QString>

// One command for the projector: a name for people and the frame that goes out.
struct SessionCommand {
    QString name;      // as the user gave it: "status", "power on", "send CF BRIGHT 050"
    QByteArray frame;  // command text and CR

    friend bool operator==(const SessionCommand &, const SessionCommand &) = default;
};
