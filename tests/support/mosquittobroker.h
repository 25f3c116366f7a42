#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Debian's Mosquitto on a loopback port of its own, with a configuration the
// test makes: anonymous, with a password file (mosquitto_passwd), or TLS with
// a certificate made here by openssl. Its clients mosquitto_sub and
// mosquitto_pub read and write as someone else's MQTT client would.
class MosquittoBroker
{
public:
    enum class Mode { Anonymous, Password, Tls };
    static constexpr int WaitMs = 10000;
    static constexpr const char *Username = "campus";
    static constexpr const char *Password = "pr0jector-secret";

    MosquittoBroker() = default;
    ~MosquittoBroker() { stop(); }
    MosquittoBroker(const MosquittoBroker &) = delete;
    MosquittoBroker &operator=(const MosquittoBroker &) = delete;

    // Whether Debian's mosquitto and its clients are there.
    [[nodiscard]] static bool isInstalled();

    // Starts it on a free port (the same one again after stop()), waits until it listens.
    [[nodiscard]] bool start(Mode mode = Mode::Anonymous);
    void stop();
    [[nodiscard]] bool isRunning() const { return m_process.state() == QProcess::Running; }

    [[nodiscard]] quint16 port() const { return m_port; }
    // The broker's URL for the bridge (mqtt:// or mqtts://).
    [[nodiscard]] QString url() const;
    // The bridge's options to reach it (--mqtt-broker and what the mode needs).
    [[nodiscard]] QStringList bridgeOptions() const;
    // The options mosquitto_sub and mosquitto_pub need to reach it.
    [[nodiscard]] QStringList clientOptions() const;
    [[nodiscard]] QString caFile() const { return m_dir.filePath(QStringLiteral("ca.pem")); }
    [[nodiscard]] QString directory() const { return m_dir.path(); }

    // The retained messages under `filter` (topic to payload), as a new subscriber gets them.
    [[nodiscard]] QMap<QString, QByteArray> retained(const QString &filter);
    // Publishes with mosquitto_pub (`payload` may be any bytes).
    [[nodiscard]] bool publish(const QString &topic, const QByteArray &payload, const QStringList &extra = {});
    [[nodiscard]] QString errorString() const { return m_error; }
    [[nodiscard]] QByteArray log();

private:
    bool writeConfiguration(Mode mode);
    bool run(const QString &program, const QStringList &arguments);

    QTemporaryDir m_dir;
    QProcess m_process;
    Mode m_mode = Mode::Anonymous;
    quint16 m_port = 0;
    QString m_error;
    QByteArray m_log;
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

    // Subscribes to `filter` and waits until the subscription holds.
    [[nodiscard]] bool start(const QString &filter);
    // Waits for a message on `topic` whose payload contains `part`; its payload, or null.
    [[nodiscard]] std::optional<QByteArray> waitFor(const QString &topic, const QByteArray &part,
                                                    int timeoutMs = MosquittoBroker::WaitMs);
    [[nodiscard]] QList<Message> messages();

private:
    MosquittoBroker &m_broker;
    QProcess m_process;
    QByteArray m_buffer;
    QList<Message> m_messages;
    QString m_probe;
    bool m_probed = false;
};

// What Home Assistant's MQTT integrations require of a discovery config, by
// component, as their documentation lists the required variables.
namespace HomeAssistantRequired {

struct Component {
    const char *name;
    QStringList keys;
    const char *documented;
};

[[nodiscard]] const QList<Component> &components();

} // namespace HomeAssistantRequired
