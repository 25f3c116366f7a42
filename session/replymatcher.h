#pragma once

#include "session/exchangeoutcome.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Which of the bytes that come after a frame are its reply. A reply is a lone
// ACK or text up to its CR. An execution command takes an ACK; a read command
// takes text, of the form its decoder reads where it has one. A reply of
// another form is no reply to this command (a late one to an earlier command,
// say): it is passed over and the wait goes on. "?" is a refusal; bytes that
// are no text of the protocol make the exchange unexpected at once.
class ReplyMatcher
{
public:
    // Bytes kept at most, of a reply still open and of replies passed over.
    static constexpr qsizetype Bound = 4096;

    struct Verdict {
        ExchangeOutcome outcome = ExchangeOutcome::NoReply;
        // The reply; for an unexpected one or none, everything that came.
        QByteArray reply;
        // What `reply` holds ended at a CR or was an ACK.
        bool complete = false;
        friend bool operator==(const Verdict &, const Verdict &) = default;
    };

    explicit ReplyMatcher(QByteArray frame);

    // The verdict once the bytes come that decide it.
    [[nodiscard]] std::optional<Verdict> take(QByteArrayView bytes);
    // The verdict when the wait is over first.
    [[nodiscard]] Verdict timedOut() const;

    // A read command's frame starts with "CR"; every other frame executes.
    [[nodiscard]] static bool isReadCommand(QByteArrayView frame);

private:
    [[nodiscard]] bool fits(QByteArrayView reply) const;

    QByteArray m_frame;
    QByteArray m_open;        // bytes of a reply not ended yet
    QByteArray m_passedOver;  // whole replies of another form
};
