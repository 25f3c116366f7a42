#pragma once

#include "session/exchangeoutcome.h"

#include <QByteArray>
#include <QString>

#include <optional>

// One command's exchange with one projector: what went out, what came back.
struct ExchangeResult {
    QString port;     // the port's label
    QString command;  // as typed: "status", "power on", "send CF BRIGHT 050"
    QByteArray sent;  // the frame
    QByteArray reply; // the reply, or what came before the wait ended
    bool complete = false;  // the reply ended (CR or ACK) before the wait did
    double elapsedMs = 0;   // from the frame going out to the end of the wait
    ExchangeOutcome outcome = ExchangeOutcome::NoReply;

    // The plain-English text the panel's status line shows for this reply
    // (starting from an empty line), or nothing when no decoder applies or
    // the command was not answered.
    [[nodiscard]] std::optional<QString> status() const;
};
