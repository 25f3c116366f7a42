#pragma once

#include "bridge/mqtt/mqtttopics.h"
#include "bridge/projector/inputtable.h"
#include "bridge/projector/projectoractions.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>

#include <chrono>
#include <deque>
#include <optional>

class MqttClient;
class ProjectorService;

// One projector on MQTT: its availability and its state (retained, the
// state on change only), and its commands, each passed through the same
// actions as the page's into the projector's own queue, one at a time.
// A command waits at most QueueLimit deep (then "busy"), and one that would
// go out more than `commandBound` after it came is dropped, not sent late.
class MqttFront : public QObject
{
    Q_OBJECT

public:
    struct Projector {
        ProjectorService *service = nullptr;
        QString id;               // its topic level
        QString name;
        InputTable inputs;
        double temperatureWarning = 70;
    };

    static constexpr std::size_t QueueLimit = 4;

    MqttFront(const Projector &projector, const MqttTopics &topics, MqttClient &client,
              std::chrono::milliseconds commandBound, QObject *parent = nullptr);

    [[nodiscard]] const Projector &projector() const { return m_projector; }
    // Availability and state again, as after the broker came back.
    void publishAll();
    // A message on set/<item> (`item` empty: press).
    void command(const QString &item, const QByteArray &payload, bool retained);
    // What the bridge publishes when it stops.
    void publishOffline();

signals:
    void logLine(const QString &line);

private:
    struct Pending {
        QString command;          // "set/power ON", for the result and the log
        ProjectorAction action;
        QElapsedTimer received;
    };

    void publishState(bool force);
    void publishAvailability(bool force);
    void publishResult(const QString &command, const QString &result, const QString &reason = {});
    void runNext();

    const Projector m_projector;
    const MqttTopics m_topics;
    MqttClient &m_client;
    const std::chrono::milliseconds m_commandBound;
    std::deque<Pending> m_pending;
    bool m_running = false;
    std::optional<bool> m_frozen;   // no read tells it: what was last set
    QJsonObject m_published;        // without the time of the last answer
    std::optional<bool> m_availablePublished;
    QDateTime m_lastAnswer;
};
