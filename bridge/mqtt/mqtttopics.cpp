#include "bridge/mqtt/mqtttopics.h"

MqttTopics::MqttTopics(QString prefix, QString bridgeId)
    : m_prefix(std::move(prefix))
    , m_bridgeId(std::move(bridgeId))
{
}

QString MqttTopics::of(const QString &projector, QStringView what) const
{
    return QStringLiteral("%1/%2/%3").arg(m_prefix, projector, what);
}

QString MqttTopics::bridgeStatus() const
{
    return QStringLiteral("%1/bridge/%2/status").arg(m_prefix, m_bridgeId);
}

QString MqttTopics::discovered() const
{
    return QStringLiteral("%1/bridge/%2/discovered").arg(m_prefix, m_bridgeId);
}

std::optional<MqttTopics::Command> MqttTopics::command(QStringView topic) const
{
    if (!topic.startsWith(m_prefix) || !topic.sliced(m_prefix.size()).startsWith(u'/'))
        return std::nullopt;
    const QList<QStringView> levels = topic.sliced(m_prefix.size() + 1).split(u'/');
    if (levels.isEmpty() || !isLevel(levels[0]))
        return std::nullopt;
    if (levels.size() == 2 && levels[1] == u"press")
        return Command{levels[0].toString(), {}};
    if (levels.size() == 3 && levels[1] == u"set" && isLevel(levels[2]))
        return Command{levels[0].toString(), levels[2].toString()};
    return std::nullopt;
}

bool MqttTopics::isLevel(QStringView level)
{
    const qsizetype bytes = level.toUtf8().size();
    if (bytes < 1 || bytes > 64)
        return false;
    for (const QChar c : level) {
        if (c == u'/' || c == u'+' || c == u'#' || c.category() == QChar::Other_Control || c.isSurrogate())
            return false;
    }
    return true;
}

bool MqttTopics::isPrefix(QStringView prefix)
{
    if (prefix.startsWith(u'$'))
        return false;  // the broker's own topics
    const QList<QStringView> levels = prefix.split(u'/');
    return std::all_of(levels.begin(), levels.end(), [](QStringView level) { return isLevel(level); });
}

QString MqttTopics::levelFor(const QString &name)
{
    QString level;
    for (const QChar c : name.toLower()) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
        level.append(plain ? c : u'_');
    }
    return level.left(64);
}
