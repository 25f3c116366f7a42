#pragma once

#include "support/serverprocess.h"

#include <QList>
#include <QMap>

// Debian's Mosquitto with a configuration the test makes: anonymous, with a
// password file (mosquitto_passwd), or TLS with a certificate made here by
// openssl. Its clients mosquitto_sub and mosquitto_pub read and write as
// someone else's MQTT client would.
class MosquittoBroker : public ServerProcess
{
public:
    enum class Mode { Anonymous, Password, Tls };
    static constexpr int WaitMs = 10000;
    static constexpr const char *Username = "campus";
    static constexpr const char *Password = "pr0jector-secret";

    // Whether Debian's mosquitto and its clients are there.
    [[nodiscard]] static bool isInstalled();

    // Starts it on a free port (the same one again after stop()), waits until it listens.
    [[nodiscard]] bool start(Mode mode = Mode::Anonymous);

    // The broker's URL for the bridge (mqtt:// or mqtts://).
    [[nodiscard]] QString url() const;
    // The bridge's options to reach it (--mqtt-broker and what the mode needs).
    [[nodiscard]] QStringList bridgeOptions() const;
    // The options mosquitto_sub and mosquitto_pub need to reach it.
    [[nodiscard]] QStringList clientOptions() const;

    // The retained messages under `filter` (topic to payload), as a new subscriber gets them.
    [[nodiscard]] QMap<QString, QByteArray> retained(const QString &filter);
    // Publishes with mosquitto_pub (`payload` may be any bytes; `extra` "-l": a message a line).
    [[nodiscard]] bool publish(const QString &topic, const QByteArray &payload, const QStringList &extra = {});

private:
    [[nodiscard]] bool writeConfiguration(Mode mode);
    [[nodiscard]] bool run(const QString &program, const QStringList &arguments);
    [[nodiscard]] QString caFile() const { return filePath(QStringLiteral("ca.pem")); }

    Mode m_mode = Mode::Anonymous;
};

// A mosquitto_sub that stays subscribed, its messages kept in order.
class MqttWatcher
{
public:
    struct Message {
        QString topic;
        QByteArray payload;
    };

    explicit MqttWatcher(MosquittoBroker &broker) : m_broker(broker) {}
    ~MqttWatcher();

    // Subscribes to `filter` and waits until the broker has acknowledged it.
    [[nodiscard]] bool start(const QString &filter);
    [[nodiscard]] QList<Message> messages();

private:
    MosquittoBroker &m_broker;
    QProcess m_process;
    QByteArray m_buffer;
    QList<Message> m_messages;
    bool m_subscribed = false;
};
