#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDebug>
#include <QList>

#include <optional>

// PJLink's bytes on a TCP connection and a UDP search, without sockets.
namespace Pjlink {

inline constexpr quint16 DefaultPort = 4352;
// A request with its CR: "%1", a body of four, a space, at most 128 of parameter.
inline constexpr qsizetype MaxRequestLength = 136;
inline constexpr qsizetype DigestLength = 32;
inline constexpr qsizetype ChallengeLength = 8;
inline constexpr char Cr = '\r';
inline constexpr char Lf = '\n';

// One request as a client sent it, its digest (if any) taken off.
struct Request {
    char protocolClass = '1';
    QByteArray body;       // four characters, as sent
    QByteArray parameter;  // after the space; "?" asks
    bool separated = true; // a space came after the body

    [[nodiscard]] bool isQuery() const { return separated && parameter == "?"; }
    friend bool operator==(const Request &, const Request &) = default;
};
QDebug operator<<(QDebug debug, const Request &request);

// A line (without its CR) read as a request. Nothing when it is no PJLink
// request at all: no "%" and class digit, or a body shorter than four.
[[nodiscard]] std::optional<Request> parseRequest(QByteArrayView line);

// The line's first 32 characters when they are hex digits (the digest an
// authenticating client puts before its first request), and the rest.
struct DigestAndRest {
    QByteArray digest;  // lower case; empty when the line holds none
    QByteArrayView rest;
};
[[nodiscard]] DigestAndRest splitDigest(QByteArrayView line);

// "%1POWR=OK" and CR: the answer to `request` with `result`.
[[nodiscard]] QByteArray response(const Request &request, QByteArrayView result);

[[nodiscard]] QByteArray greeting();                         // "PJLINK 0" and CR
[[nodiscard]] QByteArray greeting(QByteArrayView challenge); // "PJLINK 1 <challenge>" and CR
[[nodiscard]] QByteArray authenticationError();              // "PJLINK ERRA" and CR

// UDP search (Class 2): "%2SRCH" is a controller's search, answered with
// "%2ACKN=<MAC>"; "%2LKUP=<MAC>" announces a projector.
[[nodiscard]] bool isSearch(QByteArrayView datagram);
[[nodiscard]] QByteArray searchAnswer(QByteArrayView mac);
[[nodiscard]] QByteArray announcement(QByteArrayView mac);

// Cuts what a client sends into request lines and says when to give up on it:
// a line longer than a request may be, or a byte no request holds (binary).
// Many clients end a line with CR LF: a LF right after a CR belongs to it.
class LineReader
{
public:
    enum class Verdict { Fine, TooLong, NotText };
    // A digest and a whole request, without its CR.
    static constexpr qsizetype LongestLine = DigestLength + MaxRequestLength - 1;

    // Takes bytes; the complete lines (without CR) are then in takeLines().
    // After a verdict other than Fine the reader takes nothing more.
    Verdict feed(QByteArrayView bytes);
    [[nodiscard]] QList<QByteArray> takeLines();
    [[nodiscard]] bool hasPartialLine() const { return !m_partial.isEmpty(); }
    [[nodiscard]] Verdict verdict() const { return m_verdict; }

private:
    QByteArray m_partial;
    QList<QByteArray> m_lines;
    Verdict m_verdict = Verdict::Fine;
    bool m_afterCr = false;  // the last byte ended a line
};

} // namespace Pjlink
