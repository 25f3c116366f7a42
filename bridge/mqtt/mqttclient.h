#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <optional>

struct mosquitto;
struct mosquitto_message;
class QSocketNotifier;

// A connection to an MQTT broker through libmosquitto, driven from Qt's event
// loop: its socket under two QSocketNotifiers, its keep-alive on a timer, no
// thread of its own. A lost or refused connection is tried again after a
// delay that doubles up to LongestRetry, each with some jitter so a campus of
// bridges does not come back at the same moment.
class MqttClient : public QObject
{
    Q_OBJECT

public:
    struct Settings {
        QString host;
        quint16 port = 1883;
        bool tls = false;
        QString caFile;           // empty: the system's certificates
        QString certFile;         // a client certificate and its key, or neither
        QString keyFile;
        QString username;
        std::optional<QByteArray> password;
        QString clientId;
        QString willTopic;        // retained, sent by the broker when the bridge dies
        QByteArray willPayload;
    };

    static constexpr std::chrono::milliseconds FirstRetry{1000};
    static constexpr std::chrono::milliseconds LongestRetry{30000};
    static constexpr int KeepAliveSeconds = 30;

    explicit MqttClient(Settings settings, QObject *parent = nullptr);
    ~MqttClient() override;

    // Starts connecting (and keeps trying). False, with `error`, when the
    // settings cannot be used at all (a TLS file libmosquitto refuses).
    [[nodiscard]] bool start(QString *error);
    // Disconnects cleanly (no last will) after what was queued is written.
    void stop();

    [[nodiscard]] bool isConnected() const { return m_connected; }
    // QoS 1; false while not connected (nothing is queued for later).
    bool publish(const QString &topic, const QByteArray &payload, bool retain);
    // The message id, to match subscribed(); 0 while not connected.
    int subscribe(const QString &filter);

signals:
    void connected();
    void disconnected(const QString &why);
    void subscribed(int messageId);
    void message(const QString &topic, const QByteArray &payload, bool retained);
    void logLine(const QString &line);

private:
    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);
    static void onSubscribe(mosquitto *, void *self, int mid, int, const int *);

    void connectNow();
    void watchSocket();
    void readable();
    void writable();
    void housekeeping();
    // What a libmosquitto call returned: anything but success loses the connection.
    void check(int rc);
    void lost(const QString &why);
    void updateWriteInterest();

    const Settings m_settings;
    mosquitto *m_mosq = nullptr;
    std::unique_ptr<QSocketNotifier> m_read;
    std::unique_ptr<QSocketNotifier> m_write;
    QTimer m_misc;
    QTimer m_retry;
    std::chrono::milliseconds m_retryDelay = FirstRetry;
    bool m_connected = false;
    bool m_socketOpen = false;
    bool m_everConnected = false;
    bool m_stopping = false;
};
