#include "log/holdgrouping.h"

#include "log/exchangering.h"
#include "log/logrow.h"

namespace HoldGrouping {

bool isHold(const TransmitOrigin &origin)
{
    return origin.kind == TransmitOrigin::Kind::HoldPress || origin.kind == TransmitOrigin::Kind::HoldRepeat;
}

bool continues(const TransmitOrigin &previous, const TransmitOrigin &next)
{
    return next.kind == TransmitOrigin::Kind::HoldRepeat && isHold(previous) && previous.name == next.name;
}

QList<Group> groups(const ExchangeRing &ring)
{
    QList<Group> result;
    for (qsizetype i = 0; i < ring.size(); ++i) {
        const TransmitOrigin &origin = ring.origin(ring.at(i));
        if (!result.isEmpty() && result.last().hold
            && continues(ring.origin(ring.at(i - 1)), origin)) {
            ++result.last().count;
            continue;
        }
        result.append({i, 1, isHold(origin)});
    }
    return result;
}

QString summary(const TransmitOrigin &origin, qsizetype frames, qint64 firstAtMs, qint64 lastAtMs)
{
    return QStringLiteral("%1 held: %2 %3, %4 to %5")
        .arg(QString(origin.caption).replace(QLatin1Char('\n'), QLatin1Char(' ')))
        .arg(frames)
        .arg(frames == 1 ? QStringLiteral("frame") : QStringLiteral("frames"), LogRows::clockTime(firstAtMs), LogRows::clockTime(lastAtMs));
}

} // namespace HoldGrouping
