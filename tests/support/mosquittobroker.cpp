#include "support/mosquittobroker.h"

#include "support/childprocess.h"
#include "support/ser2netserver.h"

#include <QFile>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

#include <unistd.h>

namespace {

QString mosquittoProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
}

} // namespace

bool MosquittoBroker::isInstalled()
{
    return !mosquittoProgram().isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("mosquitto_sub")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("mosquitto_passwd")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty();
}

bool MosquittoBroker::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(process.readAllStandardError()));
        return false;
    }
    return true;
}

bool MosquittoBroker::writeConfiguration(Mode mode)
{
    QByteArray conf = QStringLiteral("listener %1 127.0.0.1\npersistence false\nlog_dest stderr\n")
                          .arg(m_port).toUtf8();
    if (::getuid() == 0)
        conf += "user root\n";  // else it changes to the user "mosquitto", who cannot read this directory
    if (mode == Mode::Anonymous || mode == Mode::Tls) {
        conf += "allow_anonymous true\n";
    } else {
        const QString file = m_dir.filePath(QStringLiteral("passwd"));
        if (!QFile::exists(file)
            && !run(QStringLiteral("mosquitto_passwd"), {QStringLiteral("-b"), QStringLiteral("-c"), file,
                                                          QLatin1StringView(Username), QLatin1StringView(Password)}))
            return false;
        conf += "allow_anonymous false\npassword_file " + file.toUtf8() + "\n";
        QFile password(m_dir.filePath(QStringLiteral("bridge-password")));
        if (!password.open(QIODevice::WriteOnly) || password.write(QByteArray(Password) + "\n") < 0)
            return false;
        password.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    if (mode == Mode::Tls) {
        const QString key = m_dir.filePath(QStringLiteral("key.pem"));
        if (!QFile::exists(caFile())
            && !run(QStringLiteral("openssl"),
                    {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                     QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                     QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                     QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"), QStringLiteral("-keyout"), key,
                     QStringLiteral("-out"), caFile()}))
            return false;
        conf += "cafile " + caFile().toUtf8() + "\ncertfile " + caFile().toUtf8() + "\nkeyfile " + key.toUtf8() + "\n";
    }
    QFile file(m_dir.filePath(QStringLiteral("mosquitto.conf")));
    return file.open(QIODevice::WriteOnly) && file.write(conf) == conf.size();
}

bool MosquittoBroker::start(Mode mode)
{
    m_mode = mode;
    if (m_port == 0)
        m_port = freeLoopbackPort();
    if (!m_dir.isValid() || m_port == 0 || !writeConfiguration(mode)) {
        m_error = m_error.isEmpty() ? QStringLiteral("no directory or port for the broker") : m_error;
        return false;
    }
    m_log.clear();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(mosquittoProgram(), {QStringLiteral("-c"), m_dir.filePath(QStringLiteral("mosquitto.conf"))});
    const bool listening = QTest::qWaitFor([this] {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        return probe.waitForConnected(200);
    }, WaitMs);
    if (!listening || m_process.state() == QProcess::NotRunning) {
        m_error = QStringLiteral("mosquitto did not listen: %1").arg(QString::fromLocal8Bit(log()));
        stop();
        return false;
    }
    return true;
}

void MosquittoBroker::stop()
{
    m_log += m_process.readAll();  // kept for a failure report after the stop
    ChildProcess::end(m_process);
}

QByteArray MosquittoBroker::log()
{
    m_log += m_process.readAll();
    return m_log;
}

QString MosquittoBroker::url() const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(m_mode == Mode::Tls ? u"mqtts" : u"mqtt").arg(m_port);
}

QStringList MosquittoBroker::bridgeOptions() const
{
    QStringList options{QStringLiteral("--mqtt-broker"), url()};
    if (m_mode == Mode::Password)
        options << QStringLiteral("--mqtt-username") << QLatin1StringView(Username) << QStringLiteral("--mqtt-password-file")
                << m_dir.filePath(QStringLiteral("bridge-password"));
    if (m_mode == Mode::Tls)
        options << QStringLiteral("--mqtt-ca-file") << caFile();
    return options;
}

QStringList MosquittoBroker::clientOptions() const
{
    QStringList options{QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(m_port)};
    if (m_mode == Mode::Password)
        options << QStringLiteral("-u") << QLatin1StringView(Username) << QStringLiteral("-P") << QLatin1StringView(Password);
    if (m_mode == Mode::Tls)
        options << QStringLiteral("--cafile") << caFile();
    return options;
}

QMap<QString, QByteArray> MosquittoBroker::retained(const QString &filter)
{
    // --retained-only and -W: what the broker holds, then out after a second of quiet.
    QProcess sub;
    sub.start(QStringLiteral("mosquitto_sub"), clientOptions() + QStringList{
        QStringLiteral("-t"), filter, QStringLiteral("--retained-only"), QStringLiteral("-W"), QStringLiteral("2"),
        QStringLiteral("-F"), QStringLiteral("%t\t%x")});
    sub.waitForFinished(WaitMs);
    QMap<QString, QByteArray> messages;
    for (const QByteArray &line : sub.readAllStandardOutput().split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0)
            messages.insert(QString::fromUtf8(line.left(tab)), QByteArray::fromHex(line.mid(tab + 1)));
    }
    return messages;
}

bool MosquittoBroker::publish(const QString &topic, const QByteArray &payload, const QStringList &extra)
{
    QProcess pub;
    pub.start(QStringLiteral("mosquitto_pub"),
              clientOptions() + QStringList{QStringLiteral("-t"), topic}
                  + (extra.contains(u"-l"_qs) ? QStringList{} : QStringList{QStringLiteral("-s")}) + extra);
    pub.write(payload);
    pub.closeWriteChannel();
    return pub.waitForFinished(WaitMs) && pub.exitCode() == 0;
}

MqttWatcher::~MqttWatcher()
{
    ChildProcess::end(m_process);
}

bool MqttWatcher::start(const QString &filter)
{
    // mosquitto_sub writes through a buffer: the subscription is known to hold
    // once a message on a topic of the watcher's own comes back through it.
    m_probe = QStringLiteral("rm740-test/probe/%1").arg(quintptr(this));
    m_process.start(QStringLiteral("mosquitto_sub"), m_broker.clientOptions() + QStringList{
        QStringLiteral("-t"), filter, QStringLiteral("-t"), m_probe, QStringLiteral("-F"), QStringLiteral("%t\t%x")});
    if (!m_process.waitForStarted(MosquittoBroker::WaitMs))
        return false;
    return QTest::qWaitFor([this] {
        if (!m_broker.publish(m_probe, "probe"))
            return false;
        QTest::qWait(200);
        (void)messages();  // reads the probe's echo
        return m_probed || m_process.state() == QProcess::NotRunning;
    }, MosquittoBroker::WaitMs) && m_process.state() == QProcess::Running;
}

QList<MqttWatcher::Message> MqttWatcher::messages()
{
    m_buffer += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_buffer.indexOf('\n')) >= 0) {
        const QByteArray line = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        const qsizetype tab = line.indexOf('\t');
        const QString topic = QString::fromUtf8(line.left(tab));
        if (topic == m_probe)
            m_probed = true;
        else if (tab > 0)
            m_messages.append({topic, QByteArray::fromHex(line.mid(tab + 1))});
    }
    return m_messages;
}

std::optional<QByteArray> MqttWatcher::waitFor(const QString &topic, const QByteArray &part, int timeoutMs)
{
    std::optional<QByteArray> found;
    (void)QTest::qWaitFor([&] {  // a topic that never comes is an empty answer
        for (const Message &m : messages()) {
            if (m.topic == topic && m.payload.contains(part))
                found = m.payload;
        }
        return found.has_value();
    }, timeoutMs);
    return found;
}

namespace HomeAssistantRequired {

const QList<Component> &components()
{
    // Each integration's "Configuration Variables", the keys marked required;
    // every entity with a device also needs unique_id, and the device block
    // identifiers or connections (the MQTT integration's discovery section).
    static const QList<Component> table{
        {"switch", {"command_topic"}, "https://www.home-assistant.io/integrations/switch.mqtt/"},
        {"select", {"command_topic", "options"}, "https://www.home-assistant.io/integrations/select.mqtt/"},
        {"sensor", {"state_topic"}, "https://www.home-assistant.io/integrations/sensor.mqtt/"},
        {"binary_sensor", {"state_topic"}, "https://www.home-assistant.io/integrations/binary_sensor.mqtt/"},
    };
    return table;
}

} // namespace HomeAssistantRequired
