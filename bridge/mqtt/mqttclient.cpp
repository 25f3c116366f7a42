#include "bridge/mqtt/mqttclient.h"

#include <QRandomGenerator>
#include <QSocketNotifier>

#include <mosquitto.h>

namespace {

struct Library {
    Library() { mosquitto_lib_init(); }
    ~Library() { mosquitto_lib_cleanup(); }
};

void initialiseOnce()
{
    static Library library;
}

QByteArray bytes(const QString &text)
{
    return text.toUtf8();
}

const char *orNull(const QByteArray &text)
{
    return text.isEmpty() ? nullptr : text.constData();
}

} // namespace

MqttClient::MqttClient(Settings settings, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
{
    initialiseOnce();
    m_misc.setInterval(std::chrono::seconds(1));
    connect(&m_misc, &QTimer::timeout, this, &MqttClient::housekeeping);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MqttClient::connectNow);
}

MqttClient::~MqttClient()
{
    m_read.reset();
    m_write.reset();
    if (m_mosq)
        mosquitto_destroy(m_mosq);
}

bool MqttClient::start(QString *error)
{
    // A clean session: commands sent while the bridge was away are not replayed late.
    m_mosq = mosquitto_new(bytes(m_settings.clientId).constData(), true, this);
    if (!m_mosq) {
        *error = QStringLiteral("libmosquitto could not make a client");
        return false;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_mosq, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttClient::onDisconnect);
    mosquitto_message_callback_set(m_mosq, &MqttClient::onMessage);
    mosquitto_subscribe_callback_set(m_mosq, &MqttClient::onSubscribe);
    int rc = MOSQ_ERR_SUCCESS;
    if (!m_settings.willTopic.isEmpty())
        rc = mosquitto_will_set(m_mosq, bytes(m_settings.willTopic).constData(), int(m_settings.willPayload.size()),
                                m_settings.willPayload.constData(), 1, true);
    if (rc == MOSQ_ERR_SUCCESS && !m_settings.username.isEmpty())
        rc = mosquitto_username_pw_set(m_mosq, bytes(m_settings.username).constData(),
                                       m_settings.password ? m_settings.password->constData() : nullptr);
    if (rc == MOSQ_ERR_SUCCESS && m_settings.tls) {
        const QByteArray ca = bytes(m_settings.caFile);
        const QByteArray cert = bytes(m_settings.certFile);
        const QByteArray key = bytes(m_settings.keyFile);
        rc = mosquitto_tls_set(m_mosq, orNull(ca), ca.isEmpty() ? "/etc/ssl/certs" : nullptr, orNull(cert),
                               orNull(key), nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = QString::fromUtf8(mosquitto_strerror(rc));
        return false;
    }
    connectNow();
    return true;
}

void MqttClient::stop()
{
    m_stopping = true;
    m_retry.stop();
    m_misc.stop();
    if (m_mosq && m_socketOpen) {
        mosquitto_disconnect(m_mosq);
        // What is queued (the offline messages, the DISCONNECT) goes out now.
        for (int i = 0; i < 16 && mosquitto_want_write(m_mosq); ++i) {
            if (mosquitto_loop_write(m_mosq, 1) != MOSQ_ERR_SUCCESS)
                break;
        }
    }
    m_read.reset();
    m_write.reset();
    m_connected = false;
    m_socketOpen = false;
}

bool MqttClient::publish(const QString &topic, const QByteArray &payload, bool retain)
{
    if (!m_connected)
        return false;
    const int rc = mosquitto_publish(m_mosq, nullptr, bytes(topic).constData(), int(payload.size()),
                                     payload.constData(), 1, retain);
    check(rc);
    updateWriteInterest();
    return rc == MOSQ_ERR_SUCCESS;
}

int MqttClient::subscribe(const QString &filter)
{
    if (!m_connected)
        return 0;
    int mid = 0;
    check(mosquitto_subscribe(m_mosq, &mid, bytes(filter).constData(), 1));
    updateWriteInterest();
    return mid;
}

void MqttClient::connectNow()
{
    if (m_stopping)
        return;
    m_read.reset();
    m_write.reset();
    const QByteArray host = bytes(m_settings.host);
    const int rc = m_everConnected ? mosquitto_reconnect_async(m_mosq)
                                   : mosquitto_connect_async(m_mosq, host.constData(), m_settings.port, KeepAliveSeconds);
    m_everConnected = true;
    if (rc != MOSQ_ERR_SUCCESS) {
        m_socketOpen = true;  // for lost() to report and retry once
        lost(QString::fromUtf8(rc == MOSQ_ERR_ERRNO ? strerror(errno) : mosquitto_strerror(rc)));
        return;
    }
    m_socketOpen = true;
    watchSocket();
    m_misc.start();
}

void MqttClient::watchSocket()
{
    const int fd = mosquitto_socket(m_mosq);
    if (fd < 0)
        return;
    m_read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    m_write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(m_read.get(), &QSocketNotifier::activated, this, &MqttClient::readable);
    connect(m_write.get(), &QSocketNotifier::activated, this, &MqttClient::writable);
    updateWriteInterest();
}

void MqttClient::readable()
{
    check(mosquitto_loop_read(m_mosq, 1));
    updateWriteInterest();
}

void MqttClient::writable()
{
    check(mosquitto_loop_write(m_mosq, 1));
    updateWriteInterest();
}

void MqttClient::housekeeping()
{
    if (m_socketOpen)
        check(mosquitto_loop_misc(m_mosq));
    updateWriteInterest();
}

void MqttClient::check(int rc)
{
    if (rc == MOSQ_ERR_SUCCESS || (rc == MOSQ_ERR_NO_CONN && !m_socketOpen))
        return;
    lost(QString::fromUtf8(rc == MOSQ_ERR_ERRNO ? strerror(errno) : mosquitto_strerror(rc)));
}

void MqttClient::updateWriteInterest()
{
    if (m_write && m_socketOpen)
        m_write->setEnabled(mosquitto_want_write(m_mosq));
}

void MqttClient::lost(const QString &why)
{
    if (!m_socketOpen || m_stopping)
        return;
    const bool wasConnected = m_connected;
    m_socketOpen = false;
    m_connected = false;
    // The notifiers may be the ones signalling now: disabled here, replaced on the next try.
    if (m_read)
        m_read->setEnabled(false);
    if (m_write)
        m_write->setEnabled(false);
    m_misc.stop();
    if (wasConnected)
        m_retryDelay = FirstRetry;
    const auto jitter = std::chrono::milliseconds(QRandomGenerator::global()->bounded(int(m_retryDelay.count() / 4) + 1));
    const auto delay = m_retryDelay + jitter;
    emit logLine(tr("broker %1:%2: %3; trying again in %4 s")
                     .arg(m_settings.host).arg(m_settings.port).arg(why).arg(double(delay.count()) / 1000, 0, 'f', 1));
    m_retry.start(delay);
    m_retryDelay = std::min(m_retryDelay * 2, LongestRetry);
    if (wasConnected)
        emit disconnected(why);
}

void MqttClient::onConnect(mosquitto *, void *self, int rc)
{
    auto *client = static_cast<MqttClient *>(self);
    if (rc != 0) {
        client->lost(QStringLiteral("refused: %1").arg(QString::fromUtf8(mosquitto_connack_string(rc))));
        return;
    }
    client->m_connected = true;
    client->m_retryDelay = FirstRetry;
    emit client->logLine(tr("connected to the broker %1:%2%3 as %4")
                             .arg(client->m_settings.host).arg(client->m_settings.port)
                             .arg(client->m_settings.tls ? QStringLiteral(" (TLS)") : QString(),
                                  client->m_settings.clientId));
    emit client->connected();
}

void MqttClient::onDisconnect(mosquitto *, void *self, int rc)
{
    auto *client = static_cast<MqttClient *>(self);
    client->lost(QString::fromUtf8(mosquitto_strerror(rc)));
}

void MqttClient::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *client = static_cast<MqttClient *>(self);
    emit client->message(QString::fromUtf8(message->topic),
                         QByteArray(static_cast<const char *>(message->payload), message->payloadlen),
                         message->retain);
}

void MqttClient::onSubscribe(mosquitto *, void *self, int mid, int, const int *)
{
    emit static_cast<MqttClient *>(self)->subscribed(mid);
}
