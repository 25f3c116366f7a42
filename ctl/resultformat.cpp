#include "ctl/resultformat.h"

#include "exchange/monitorrendering.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace ResultFormat {

QString line(const ExchangeResult &result, bool withPort)
{
    QStringList fields;
    if (withPort)
        fields.append(result.port);
    fields.append(MonitorRendering::render(result.sent));
    // Nothing received renders as nothing, not as the lone leading space.
    fields.append(result.reply.isEmpty() ? QString() : MonitorRendering::render(result.reply));
    fields.append(result.status().value_or(QString()));
    fields.append(outcomeWord(result.outcome));
    return fields.join(u'\t');
}

QByteArray json(const ExchangeResult &result)
{
    const std::optional<QString> status = result.status();
    const QJsonObject object{
        {QStringLiteral("port"), result.port},
        {QStringLiteral("command"), result.command},
        {QStringLiteral("sent"), QString::fromLatin1(result.sent)},
        {QStringLiteral("reply"), QString::fromLatin1(result.reply)},
        {QStringLiteral("complete"), result.complete},
        {QStringLiteral("status"), status ? QJsonValue(*status) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("outcome"), outcomeWord(result.outcome)},
        // Microseconds are as fine as the clock is worth here.
        {QStringLiteral("elapsed_ms"), std::round(result.elapsedMs * 1000) / 1000},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace ResultFormat
