#include "bridge/mqtt/mqttbridge.h"

#include "bridge/mqtt/homeassistantdiscovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

MqttClient::Settings withWill(MqttClient::Settings client, const QString &topic, const QByteArray &payload)
{
    client.willTopic = topic;
    client.willPayload = payload;
    return client;
}

} // namespace

MqttBridge::MqttBridge(Settings settings, const QList<MqttFront::Projector> &projectors, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_topics(m_settings.topicPrefix, m_settings.bridgeId)
    , m_client(withWill(m_settings.client, m_topics.bridgeStatus(), status("offline")), this)
{
    for (const MqttFront::Projector &projector : projectors) {
        auto *front = new MqttFront(projector, m_topics, m_client, m_settings.commandBound, this);
        connect(front, &MqttFront::logLine, this, [this, id = projector.id](const QString &line) {
            emit logLine(QStringLiteral("%1: %2").arg(id, line));
        });
        m_fronts.append(front);
    }
    connect(&m_client, &MqttClient::connected, this, &MqttBridge::connected);
    connect(&m_client, &MqttClient::message, this, &MqttBridge::received);
    connect(&m_client, &MqttClient::subscribed, this, &MqttBridge::subscribed);
    connect(&m_client, &MqttClient::logLine, this, &MqttBridge::logLine);
}

QByteArray MqttBridge::status(const char *state) const
{
    return QJsonDocument(QJsonObject{{QStringLiteral("state"), QLatin1StringView(state)},
                                     {QStringLiteral("version"), m_settings.version}})
        .toJson(QJsonDocument::Compact);
}

bool MqttBridge::start(QString *error)
{
    return m_client.start(error);
}

void MqttBridge::stop()
{
    if (m_client.isConnected()) {
        for (MqttFront *front : std::as_const(m_fronts))
            front->publishOffline();
        m_client.publish(m_topics.bridgeStatus(), status("offline"), true);
    }
    m_client.stop();
}

void MqttBridge::connected()
{
    m_client.publish(m_topics.bridgeStatus(), status("online"), true);
    for (MqttFront *front : std::as_const(m_fronts))
        front->publishAll();
    m_discoveredBefore.clear();
    // The broker answers a subscription's retained message before the next
    // subscription's acknowledgement: once the last is acknowledged, the
    // retained list of earlier projectors is in.
    if (!m_settings.discoveryPrefix.isEmpty())
        m_client.subscribe(m_topics.discovered());
    for (MqttFront *front : std::as_const(m_fronts)) {
        m_client.subscribe(m_topics.setFilter(front->projector().id));
        m_lastSubscription = m_client.subscribe(m_topics.press(front->projector().id));
    }
}

void MqttBridge::subscribed(int messageId)
{
    if (messageId == m_lastSubscription && !m_settings.discoveryPrefix.isEmpty())
        publishDiscovery();
}

void MqttBridge::received(const QString &topic, const QByteArray &payload, bool retained)
{
    if (topic == m_topics.discovered()) {
        const QJsonArray ids = QJsonDocument::fromJson(payload).array();
        for (const QJsonValue &id : ids) {
            if (id.isString() && MqttTopics::isLevel(id.toString()))
                m_discoveredBefore.insert(id.toString());
        }
        return;
    }
    const auto command = m_topics.command(topic);
    if (!command)
        return;
    for (MqttFront *front : std::as_const(m_fronts)) {
        if (front->projector().id == command->projector) {
            front->command(command->item, payload, retained);
            return;
        }
    }
}

void MqttBridge::publishDiscovery()
{
    const QString &prefix = m_settings.discoveryPrefix;
    QJsonArray ids;
    QSet<QString> current;
    for (MqttFront *front : std::as_const(m_fronts)) {
        const MqttFront::Projector &p = front->projector();
        QStringList inputs;
        for (const InputTable::Input &input : p.inputs.inputs())
            inputs.append(InputTable::nameOf(input));
        for (const auto &message : HomeAssistantDiscovery::configs({p.id, p.name, inputs}, m_topics, prefix,
                                                                   m_settings.bridgeId, m_settings.version))
            m_client.publish(message.topic, message.payload, true);
        ids.append(p.id);
        current.insert(p.id);
    }
    for (const QString &gone : std::as_const(m_discoveredBefore)) {
        if (current.contains(gone))
            continue;
        for (const auto &message : HomeAssistantDiscovery::removals(gone, prefix, m_settings.bridgeId))
            m_client.publish(message.topic, message.payload, true);
        emit logLine(tr("%1 is no longer configured: its Home Assistant entities are removed").arg(gone));
    }
    m_client.publish(m_topics.discovered(), QJsonDocument(ids).toJson(QJsonDocument::Compact), true);
}
