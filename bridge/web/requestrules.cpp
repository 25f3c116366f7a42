#include "bridge/web/requestrules.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <optional>

namespace RequestRules {
namespace {

bool isToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (uchar(c) <= ' ' || uchar(c) >= 0x7f || QByteArrayView("\"(),/:;<=>?@[\\]{}").contains(c))
            return false;
    }
    return true;
}

// The lines of a head up to its empty line (CR LF or LF), or nothing yet.
struct Lines {
    QList<QByteArrayView> lines;
    qsizetype length = 0;  // with the empty line
};

std::optional<Lines> headLines(QByteArrayView bytes)
{
    Lines result;
    qsizetype at = 0;
    // Empty lines before a request are allowed, and skipped.
    while (true) {
        if (bytes.sliced(at).startsWith("\r\n"))
            at += 2;
        else if (bytes.sliced(at).startsWith("\n"))
            at += 1;
        else
            break;
    }
    while (true) {
        const qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            return std::nullopt;
        QByteArrayView line = bytes.sliced(at, end - at);
        if (line.endsWith('\r'))
            line.chop(1);
        at = end + 1;
        if (line.isEmpty()) {
            result.length = at;
            return result;
        }
        result.lines.append(line);
    }
}

QList<QByteArray> tokens(const QList<QByteArray> &values)
{
    QList<QByteArray> result;
    for (const QByteArray &value : values) {
        for (const QByteArray &token : value.split(','))
            result.append(token.trimmed().toLower());
    }
    return result;
}

// The length of a chunked body at the start of `bytes`: nothing while it is
// incomplete, -1 when it is malformed.
std::optional<qsizetype> chunkedLength(QByteArrayView bytes)
{
    qsizetype at = 0;
    while (true) {
        const qsizetype end = bytes.indexOf("\r\n", at);
        if (end < 0)
            return bytes.size() - at > 32 ? std::optional<qsizetype>(-1) : std::nullopt;
        QByteArrayView sizeText = bytes.sliced(at, end - at);
        if (const qsizetype semicolon = sizeText.indexOf(';'); semicolon >= 0)
            sizeText.truncate(semicolon);
        bool ok = false;
        const qsizetype size = sizeText.trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || size > LongestBody || sizeText.trimmed().size() > 8)
            return -1;
        at = end + 2;
        if (size == 0) {
            // Trailer lines, then an empty one.
            while (true) {
                const qsizetype lineEnd = bytes.indexOf("\r\n", at);
                if (lineEnd < 0)
                    return std::nullopt;
                const bool empty = lineEnd == at;
                at = lineEnd + 2;
                if (empty)
                    return at;
            }
        }
        if (bytes.size() < at + size + 2)
            return std::nullopt;
        if (bytes.sliced(at + size, 2) != "\r\n")
            return -1;
        at += size + 2;
        if (at > LongestBody * 2)
            return -1;
    }
}

Verdict refused(int status, const QString &reason)
{
    Verdict verdict;
    verdict.kind = Verdict::Refused;
    verdict.status = status;
    verdict.reason = reason;
    return verdict;
}

bool isAnyAddress(const QHostAddress &address)
{
    return address == QHostAddress::Any || address == QHostAddress::AnyIPv4 || address == QHostAddress::AnyIPv6;
}

const char *statusText(int status)
{
    switch (status) {
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 408: return "Request Timeout";
    case 413: return "Content Too Large";
    case 421: return "Misdirected Request";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 501: return "Not Implemented";
    case 505: return "HTTP Version Not Supported";
    default: return "Error";
    }
}

} // namespace

QList<QByteArray> Head::values(QByteArrayView name) const
{
    QList<QByteArray> result;
    for (const auto &[key, value] : fields) {
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0)
            result.append(value);
    }
    return result;
}

QByteArray Head::value(QByteArrayView name) const
{
    const QList<QByteArray> all = values(name);
    return all.isEmpty() ? QByteArray() : all.last();
}

Verdict examine(QByteArrayView bytes, const Hosts &hosts)
{
    const auto lines = headLines(bytes.first(std::min(bytes.size(), LongestHead)));
    if (!lines) {
        if (bytes.size() >= LongestHead)
            return refused(431, QStringLiteral("the request's head is longer than %1 bytes").arg(LongestHead));
        return {};
    }
    Verdict verdict;
    Head &head = verdict.head;
    const QList<QByteArray> requestLine = lines->lines.value(0).toByteArray().split(' ');
    if (requestLine.size() != 3 || !isToken(requestLine[0]) || requestLine[1].isEmpty())
        return refused(400, QStringLiteral("the request line is not METHOD TARGET HTTP/1.1"));
    head.method = requestLine[0];
    head.target = requestLine[1];
    head.version = requestLine[2];
    if (head.version != "HTTP/1.1" && head.version != "HTTP/1.0")
        return refused(505, QStringLiteral("this bridge speaks HTTP/1.1"));
    for (const QByteArrayView line : lines->lines.sliced(1)) {
        const qsizetype colon = line.indexOf(':');
        // No folded lines, no space before the colon: both are read two ways.
        if (colon <= 0 || !isToken(line.first(colon)))
            return refused(400, QStringLiteral("a header line is not NAME: VALUE"));
        head.fields.append({line.first(colon).toByteArray(), line.sliced(colon + 1).trimmed().toByteArray()});
    }

    // Before anything else: a request for another name is not for this front.
    const QList<QByteArray> host = head.values("host");
    if (host.size() > 1 || (host.isEmpty() && head.version == "HTTP/1.1"))
        return refused(400, QStringLiteral("a request needs one Host"));
    if (!host.isEmpty() && !hostAllowed(host.first(), hosts))
        return refused(421, QStringLiteral("this bridge does not serve %1").arg(QString::fromLatin1(host.first().left(100))));

    const QList<QByteArray> lengths = head.values("content-length");
    const QList<QByteArray> encodings = head.values("transfer-encoding");
    if (!lengths.isEmpty() && !encodings.isEmpty())
        return refused(400, QStringLiteral("Content-Length and Transfer-Encoding together"));
    qsizetype bodyLength = 0;
    for (const QByteArray &length : lengths) {
        bool ok = false;
        const qsizetype n = length.toLongLong(&ok);
        const bool digits = !length.isEmpty() && std::all_of(length.begin(), length.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!ok || !digits || (length != lengths.first()))
            return refused(400, QStringLiteral("Content-Length given two ways"));
        if (n > LongestBody)
            return refused(413, QStringLiteral("the request is longer than %1 bytes").arg(LongestBody));
        bodyLength = n;
    }
    if (!encodings.isEmpty() && (encodings.size() > 1 || encodings.first().compare("chunked", Qt::CaseInsensitive) != 0))
        return refused(501, QStringLiteral("Transfer-Encoding other than chunked"));

    const QList<QByteArray> connection = tokens(head.values("connection"));
    if (!head.values("upgrade").isEmpty() || head.method == "CONNECT") {
        // A whole WebSocket upgrade or none: half of one is held by no one.
        const bool webSocket = head.method == "GET" && head.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0
            && connection.contains("upgrade") && !head.value("sec-websocket-key").isEmpty()
            && !head.value("sec-websocket-version").isEmpty() && lengths.isEmpty() && encodings.isEmpty();
        if (!webSocket)
            return refused(400, QStringLiteral("an upgrade other than a whole WebSocket one"));
        verdict.upgrade = true;
    }
    verdict.close = connection.contains("close") || (head.version == "HTTP/1.0" && !connection.contains("keep-alive"));
    verdict.bodylessAnswer = head.method == "HEAD";

    const QByteArrayView body = bytes.sliced(lines->length);
    if (!encodings.isEmpty()) {
        const auto chunked = chunkedLength(body);
        if (!chunked)
            return {};
        if (*chunked < 0)
            return refused(400, QStringLiteral("a malformed chunked body"));
        bodyLength = *chunked;
    } else if (body.size() < bodyLength) {
        return {};
    }
    verdict.kind = Verdict::Complete;
    verdict.length = lines->length + bodyLength;
    return verdict;
}

bool hostAllowed(QByteArrayView field, const Hosts &hosts)
{
    QByteArrayView name = field;
    if (name.startsWith('[')) {
        const qsizetype end = name.indexOf(']');
        if (end < 0)
            return false;
        name = name.sliced(1, end - 1);
    } else if (const qsizetype colon = name.lastIndexOf(':'); colon >= 0) {
        name.truncate(colon);
    }
    if (name.endsWith('.'))
        name.chop(1);
    const QString text = QString::fromLatin1(name).toLower();
    if (text.isEmpty())
        return false;
    if (hosts.names.contains(text, Qt::CaseInsensitive))
        return true;
    const QHostAddress address(text);
    if (!address.isNull()) {
        // An address is never rebound: the page it names is this one.
        return isAnyAddress(hosts.listen) || address.isEqual(hosts.listen, QHostAddress::ConvertV4MappedToIPv4)
            || (hosts.listen.isLoopback() && address.isLoopback());
    }
    return text == u"localhost" && (hosts.listen.isLoopback() || isAnyAddress(hosts.listen));
}

QString addressText(const QHostAddress &address)
{
    // An IPv4 client of a dual-stack socket, as people write it.
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    return isIpv4 ? QHostAddress(ipv4).toString() : address.toString();
}

QString peer(const QHostAddress &socketPeer, const QList<QByteArray> &forwardedFor,
             const QList<QHostAddress> &trustedProxies)
{
    const bool trusted = std::any_of(trustedProxies.begin(), trustedProxies.end(), [&](const QHostAddress &proxy) {
        return proxy.isEqual(socketPeer, QHostAddress::ConvertV4MappedToIPv4);
    });
    if (!trusted || forwardedFor.isEmpty())
        return addressText(socketPeer);
    // The proxy appends the address it saw last; those before are the client's word.
    const QHostAddress forwarded(QString::fromLatin1(forwardedFor.last().split(',').last().trimmed()));
    return forwarded.isNull() ? addressText(socketPeer) : addressText(forwarded);
}

std::optional<QByteArray> basicPassword(QByteArrayView authorization)
{
    // The scheme's name is case-insensitive.
    if (authorization.size() < 6 || authorization.first(6).compare("basic ", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QByteArray credentials = QByteArray::fromBase64(authorization.sliced(6).trimmed().toByteArray());
    const qsizetype colon = credentials.indexOf(':');
    if (colon < 0)
        return std::nullopt;
    return credentials.mid(colon + 1);
}

Answer answer(QByteArrayView bytes, bool bodyless)
{
    Answer result;
    qsizetype start = 0;
    while (true) {
        const qsizetype end = bytes.indexOf("\r\n\r\n", start);
        if (end < 0)
            return result;
        const QByteArrayView head = bytes.sliced(start, end + 4 - start);
        const QList<QByteArray> lines = head.toByteArray().split('\n');
        const QList<QByteArray> statusLine = lines.first().trimmed().split(' ');
        result.status = statusLine.size() >= 2 ? statusLine[1].toInt() : 0;
        if (result.status >= 100 && result.status < 200 && result.status != 101) {
            start = end + 4;
            continue;
        }
        result.complete = true;
        result.headLength = end + 4;
        result.bodyLength = (bodyless || result.status == 101 || result.status == 204 || result.status == 304) ? 0 : -1;
        for (const QByteArray &line : lines.sliced(1)) {
            if (result.bodyLength < 0 && line.size() > 15 && line.first(15).compare("content-length:", Qt::CaseInsensitive) == 0)
                result.bodyLength = line.sliced(15).trimmed().toLongLong();
        }
        return result;
    }
}

QByteArray refusal(int status, const QString &reason)
{
    const QByteArray body = QJsonDocument(QJsonObject{{QStringLiteral("error"), reason}}).toJson(QJsonDocument::Compact);
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + statusText(status)
        + "\r\nContent-Type: application/json\r\nCache-Control: no-store\r\nConnection: close\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace RequestRules
