#pragma once

#include "session/commandoutcome.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Which of the bytes that come after a frame are its reply, by the reply rule
// (ReplyRule): a reply of another form than the command takes is no reply to
// it (a late one to an earlier command, say): it is passed over and the wait
// goes on. "?" is a refusal; bytes that are no text of the protocol make the
// exchange unexpected at once.
class ReplyMatcher
{
public:
    // Bytes kept at most, of a reply still open and of replies passed over.
    static constexpr qsizetype Bound = 4096;

    struct Verdict {
        CommandOutcome outcome = CommandOutcome::NoReply;
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

private:
    QByteArray m_frame;
    QByteArray m_open;        // bytes of a reply not ended yet
    QByteArray m_passedOver;  // whole replies of another form
};
