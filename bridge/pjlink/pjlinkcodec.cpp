#include "bridge/pjlink/pjlinkcodec.h"

#include <utility>

namespace Pjlink {
namespace {

constexpr QByteArrayView RequestMark = "%";
constexpr qsizetype BodyLength = 4;
constexpr qsizetype HeaderLength = 2;  // "%" and the class digit

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Requests are printable ASCII; anything else is no client of ours.
bool isRequestByte(char c)
{
    return c >= 0x20 && c <= 0x7E;
}

} // namespace

QDebug operator<<(QDebug debug, const Request &request)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Request(%" << request.protocolClass << request.body
                    << (request.separated ? " " : "|") << request.parameter << ')';
    return debug;
}

std::optional<Request> parseRequest(QByteArrayView line)
{
    if (line.size() < HeaderLength + BodyLength || !line.startsWith(RequestMark)
        || line[1] < '0' || line[1] > '9')
        return std::nullopt;
    Request request;
    request.protocolClass = line[1];
    request.body = line.sliced(HeaderLength, BodyLength).toByteArray();
    const QByteArrayView rest = line.sliced(HeaderLength + BodyLength);
    request.separated = rest.startsWith(' ');
    request.parameter = (request.separated ? rest.sliced(1) : rest).toByteArray();
    return request;
}

DigestAndRest splitDigest(QByteArrayView line)
{
    if (line.size() < DigestLength)
        return {{}, line};
    const QByteArrayView digest = line.first(DigestLength);
    for (const char c : digest) {
        if (!isHexDigit(c))
            return {{}, line};
    }
    return {digest.toByteArray().toLower(), line.sliced(DigestLength)};
}

QByteArray response(const Request &request, QByteArrayView result)
{
    QByteArray answer;
    answer.reserve(HeaderLength + BodyLength + 2 + result.size());
    answer += '%';
    answer += request.protocolClass;
    answer += request.body;
    answer += '=';
    answer += result;
    answer += Cr;
    return answer;
}

QByteArray greeting() { return QByteArrayLiteral("PJLINK 0\r"); }

QByteArray greeting(QByteArrayView challenge)
{
    return "PJLINK 1 " + challenge.toByteArray() + Cr;
}

QByteArray authenticationError() { return QByteArrayLiteral("PJLINK ERRA\r"); }

bool isSearch(QByteArrayView datagram)
{
    return datagram == "%2SRCH\r";
}

QByteArray searchAnswer(QByteArrayView mac) { return "%2ACKN=" + mac.toByteArray() + Cr; }
QByteArray announcement(QByteArrayView mac) { return "%2LKUP=" + mac.toByteArray() + Cr; }

LineReader::Verdict LineReader::feed(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (m_verdict != Verdict::Fine)
            break;
        const bool lineEndGoesOn = std::exchange(m_afterCr, c == Cr) && c == Lf;
        if (lineEndGoesOn)
            continue;
        if (c == Cr) {
            m_lines.append(m_partial);
            m_partial.clear();
        } else if (!isRequestByte(c)) {
            m_verdict = Verdict::NotText;
        } else if (m_partial.size() == LongestLine) {
            m_verdict = Verdict::TooLong;
        } else {
            m_partial += c;
        }
    }
    return m_verdict;
}

QList<QByteArray> LineReader::takeLines()
{
    return std::exchange(m_lines, {});
}

} // namespace Pjlink
