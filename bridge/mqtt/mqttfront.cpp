#include "bridge/mqtt/mqttfront.h"

#include "bridge/mqtt/mqttclient.h"
#include "bridge/mqtt/mqttcommand.h"
#include "bridge/mqtt/mqttstate.h"
#include "bridge/projector/projectorservice.h"

#include <QJsonDocument>

MqttFront::MqttFront(const Projector &projector, const MqttTopics &topics, MqttClient &client,
                     std::chrono::milliseconds commandBound, QObject *parent)
    : QObject(parent)
    , m_projector(projector)
    , m_topics(topics)
    , m_client(client)
    , m_commandBound(commandBound)
{
    ProjectorService *service = m_projector.service;
    const auto changed = [this] {
        publishAvailability(false);
        publishState(false);
    };
    connect(service, &ProjectorService::stateChanged, this, changed);
    connect(service, &ProjectorService::portOpened, this, changed);
    connect(service, &ProjectorService::portClosed, this, changed);
    connect(service, &ProjectorService::exchangeFinished, this, [this, changed](const ExchangeResult &result) {
        if (result.outcome == CommandOutcome::Answered || result.outcome == CommandOutcome::Refused)
            m_lastAnswer = QDateTime::currentDateTimeUtc();
        changed();
    });
}

void MqttFront::publishAll()
{
    publishAvailability(true);
    publishState(true);
}

void MqttFront::publishOffline()
{
    m_client.publish(m_topics.availability(m_projector.id), "offline", true);
}

void MqttFront::publishAvailability(bool force)
{
    const bool available = MqttState::isAvailable(*m_projector.service);
    if (!force && m_availablePublished == available)
        return;
    if (m_client.publish(m_topics.availability(m_projector.id), available ? "online" : "offline", true))
        m_availablePublished = available;
}

void MqttFront::publishState(bool force)
{
    QJsonObject state = MqttState::of(*m_projector.service, m_projector.inputs, m_projector.temperatureWarning, m_frozen);
    if (!force && state == m_published)
        return;
    QJsonObject withTime = state;
    withTime.insert(QStringLiteral("last_answer"), m_lastAnswer.isValid()
                                                       ? QJsonValue(m_lastAnswer.toString(Qt::ISODateWithMs))
                                                       : QJsonValue(QJsonValue::Null));
    // Kept only once the broker has it: a change made while it was away goes out on return.
    if (m_client.publish(m_topics.state(m_projector.id), QJsonDocument(withTime).toJson(QJsonDocument::Compact), true))
        m_published = state;
}

void MqttFront::publishResult(const QString &command, const QString &result, const QString &reason)
{
    QJsonObject json{{QStringLiteral("command"), command}, {QStringLiteral("result"), result}};
    if (!reason.isEmpty())
        json.insert(QStringLiteral("reason"), reason);
    m_client.publish(m_topics.result(m_projector.id), QJsonDocument(json).toJson(QJsonDocument::Compact), false);
}

void MqttFront::command(const QString &item, const QByteArray &payload, bool retained)
{
    const QString topic = item.isEmpty() ? QStringLiteral("press") : QStringLiteral("set/%1").arg(item);
    const QString shown = QStringLiteral("%1 %2").arg(topic, QString::fromUtf8(payload.left(64)));
    // A retained command would run again at every connection: never obeyed.
    if (retained) {
        emit logLine(tr("%1 ignored: a command must not be retained").arg(topic));
        publishResult(topic, QStringLiteral("refused"), QStringLiteral("a command must not be retained"));
        return;
    }
    QString error;
    auto action = MqttCommand::parse(item, payload, m_projector.inputs, &error);
    if (!action) {
        publishResult(topic, QStringLiteral("refused"), error);
        return;
    }
    if (m_pending.size() >= QueueLimit) {
        publishResult(shown, QStringLiteral("busy"), tr("%1 commands wait already").arg(m_pending.size()));
        return;
    }
    Pending pending{shown, *action, {}};
    pending.received.start();
    m_pending.push_back(std::move(pending));
    runNext();
}

void MqttFront::runNext()
{
    while (!m_running && !m_pending.empty()) {
        Pending next = std::move(m_pending.front());
        m_pending.pop_front();
        const auto waited = std::chrono::milliseconds(next.received.elapsed());
        if (waited > m_commandBound) {
            const QString reason = tr("waited %1 s, longer than %2 s").arg(waited.count() / 1000.0, 0, 'f', 1)
                                       .arg(m_commandBound.count() / 1000.0);
            emit logLine(tr("%1 dropped: %2").arg(next.command, reason));
            publishResult(next.command, QStringLiteral("refused"), reason);
            continue;
        }
        m_running = true;
        const QString command = next.command;
        const ProjectorAction action = next.action;
        m_projector.service->perform({action}, ProjectorService::Origin::Mqtt, this,
                                     [this, command, action](ActionOutcome outcome) {
            m_running = false;
            if (outcome == ActionOutcome::Done && action.name.startsWith("freeze"))
                m_frozen = action.name == "freeze-on";
            static const char *const words[] = {"done", "refused", "no reply"};
            publishResult(command, QLatin1StringView(words[int(outcome)]));
            publishState(false);
            runNext();
        });
    }
}
