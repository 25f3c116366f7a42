#pragma once

#include "bridge/mqtt/mqttclient.h"
#include "bridge/mqtt/mqttfront.h"
#include "bridge/mqtt/mqtttopics.h"

#include <QList>
#include <QObject>
#include <QSet>

// The bridge on MQTT: one connection to the broker for every projector, the
// bridge's own status (its last will says offline), each projector's front,
// and Home Assistant's discovery, published again whenever the broker comes
// back. The ids discovery was published for are kept retained under the
// bridge's own topic, so a projector taken out of the configuration has its
// entities removed at the next start.
class MqttBridge : public QObject
{
    Q_OBJECT

public:
    struct Settings {
        MqttClient::Settings client;   // its will is set here
        QString topicPrefix = QStringLiteral("rm740");
        QString bridgeId;
        QString discoveryPrefix = QStringLiteral("homeassistant");  // empty: no discovery
        QString version;
        std::chrono::milliseconds commandBound{10000};
    };

    MqttBridge(Settings settings, const QList<MqttFront::Projector> &projectors, QObject *parent = nullptr);

    [[nodiscard]] bool start(QString *error);
    // Everything offline, then a clean disconnect.
    void stop();

signals:
    void logLine(const QString &line);

private:
    void connected();
    void received(const QString &topic, const QByteArray &payload, bool retained);
    void subscribed(int messageId);
    void publishDiscovery();
    [[nodiscard]] QByteArray status(const char *state) const;

    const Settings m_settings;
    const MqttTopics m_topics;
    MqttClient m_client;
    QList<MqttFront *> m_fronts;
    QSet<QString> m_discoveredBefore;   // as the retained list said
    int m_lastSubscription = 0;
};
