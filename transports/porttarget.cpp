#include "transports/porttarget.h"

#include "transports/portname.h"

#include <QUrl>

#include <algorithm>

namespace {

struct Scheme {
    const char *prefix;
    PortTarget::Kind kind;
};
constexpr Scheme Schemes[] = {
    {"socket://", PortTarget::Kind::RawTcp},
    {"rfc2217://", PortTarget::Kind::Rfc2217},
};

constexpr qsizetype MaxNameLength = 253;
constexpr qsizetype MaxLabelLength = 63;

PortTarget invalid(const QString &entry, const QString &why)
{
    PortTarget target;
    target.problem = QStringLiteral("%1 is no network port: %2").arg(entry, why);
    return target;
}

bool isAsciiLetterOrDigit(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// "scheme://" at the start, the scheme in letters, digits, "+", "-", ".".
bool looksLikeAUrl(QStringView entry)
{
    const qsizetype separator = entry.indexOf(u"://");
    if (separator <= 0)
        return false;
    for (QChar c : entry.first(separator))
        if (!isAsciiLetterOrDigit(c) && c != u'+' && c != u'-' && c != u'.')
            return false;
    return true;
}

// Four decimal numbers of 0 to 255, without leading zeros, which some
// resolvers would read as octal.
bool isIpv4Address(QStringView host)
{
    const QList<QStringView> parts = host.split(u'.');
    if (parts.size() != 4)
        return false;
    for (QStringView part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.front() == u'0'))
            return false;
        bool ok = false;
        if (part.toInt(&ok) > 255 || !ok)
            return false;
        for (QChar c : part)
            if (!c.isDigit())
                return false;
    }
    return true;
}

// A DNS name: labels of letters, digits and inner hyphens; the last label
// not all digits (that would be a mistyped address).
bool isHostName(QStringView host)
{
    if (host.isEmpty() || host.size() > MaxNameLength)
        return false;
    const QList<QStringView> labels = host.split(u'.');
    for (QStringView label : labels) {
        if (label.isEmpty() || label.size() > MaxLabelLength || label.front() == u'-'
            || label.back() == u'-')
            return false;
        for (QChar c : label)
            if (!isAsciiLetterOrDigit(c) && c != u'-')
                return false;
    }
    const QStringView last = labels.constLast();
    return std::any_of(last.begin(), last.end(), [](QChar c) { return !c.isDigit(); });
}

// The IPv6 address in its usual form, or an empty string.
QString ipv6Address(const QString &text)
{
    if (text.isEmpty() || text.contains(u'%'))
        return {};
    for (QChar c : text)
        if (!isAsciiLetterOrDigit(c) && c != u':' && c != u'.')
            return {};
    QUrl url;
    url.setScheme(QStringLiteral("x"));
    url.setHost(text, QUrl::StrictMode);
    return url.isValid() && url.host().contains(u':') ? url.host() : QString();
}

} // namespace

PortTarget PortTarget::fromDevice(const QString &device)
{
    PortTarget target;
    target.kind = Kind::Device;
    target.device = device;
    return target;
}

PortTarget PortTarget::fromEntry(const QString &entry)
{
    if (QString problem = PortName::controlProblem(entry); !problem.isEmpty()) {
        PortTarget target;
        target.problem = std::move(problem);
        return target;
    }
    const Scheme *scheme = nullptr;
    for (const Scheme &candidate : Schemes)
        if (entry.startsWith(QLatin1StringView(candidate.prefix), Qt::CaseInsensitive))
            scheme = &candidate;
    if (!scheme) {
        if (looksLikeAUrl(entry))
            return invalid(entry, QStringLiteral("use socket://host:port or rfc2217://host:port"));
        if (QString problem = PortName::deviceProblem(entry); !problem.isEmpty()) {
            PortTarget target;
            target.problem = std::move(problem);
            return target;
        }
        return fromDevice(entry);
    }

    QString rest = entry.mid(qsizetype(qstrlen(scheme->prefix)));
    if (rest.endsWith(u'/'))
        rest.chop(1);
    if (rest.contains(u'/') || rest.contains(u'?') || rest.contains(u'#') || rest.contains(u'@'))
        return invalid(entry, QStringLiteral("only host:port may follow the //"));

    QString host;
    QString portText;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return invalid(entry, QStringLiteral("the [ of an IPv6 address is not closed"));
        host = ipv6Address(rest.mid(1, close - 1));
        if (host.isEmpty())
            return invalid(entry, QStringLiteral("not an IPv6 address in the brackets"));
        if (rest.mid(close + 1, 1) != u":")
            return invalid(entry, QStringLiteral("the port number is missing"));
        portText = rest.mid(close + 2);
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        if (colon < 0)
            return invalid(entry, QStringLiteral("the port number is missing"));
        host = rest.left(colon);
        portText = rest.mid(colon + 1);
        if (host.contains(u':'))
            return invalid(entry, QStringLiteral("an IPv6 address goes in brackets, as in [::1]:4001"));
        if (host.isEmpty())
            return invalid(entry, QStringLiteral("the host is missing"));
        if (!isIpv4Address(host) && !isHostName(host))
            return invalid(entry, QStringLiteral("%1 is not a host name or address").arg(host));
    }

    bool ok = !portText.isEmpty()
        && std::all_of(portText.begin(), portText.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    const uint port = ok ? portText.toUInt(&ok) : 0;
    if (!ok || port < 1 || port > 65535)
        return invalid(entry, QStringLiteral("the port must be a number from 1 to 65535"));

    PortTarget target;
    target.kind = scheme->kind;
    target.host = host;
    target.port = quint16(port);
    return target;
}

QString PortTarget::endpoint() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return shownHost + u':' + QString::number(port);
}

QDebug operator<<(QDebug debug, const PortTarget &target)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "PortTarget(";
    switch (target.kind) {
    case PortTarget::Kind::Device: debug << "device " << target.device; break;
    case PortTarget::Kind::RawTcp: debug << "raw TCP " << target.endpoint(); break;
    case PortTarget::Kind::Rfc2217: debug << "RFC 2217 " << target.endpoint(); break;
    case PortTarget::Kind::Invalid: debug << "invalid: " << target.problem; break;
    }
    debug << ')';
    return debug;
}
