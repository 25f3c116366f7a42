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

// "topic\thex payload" lines, as `-F "%t\t%x"` writes them.
QList<MqttWatcher::Message> messagesIn(const QList<QByteArray> &lines)
{
    QList<MqttWatcher::Message> messages;
    for (const QByteArray &line : lines) {
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0)
            messages.append({QString::fromUtf8(line.left(tab)), QByteArray::fromHex(line.mid(tab + 1))});
    }
    return messages;
}

const QStringList TopicAndHex{QStringLiteral("-F"), QStringLiteral("%t\t%x")};

} // namespace

bool MosquittoBroker::isInstalled()
{
    return !mosquittoProgram().isEmpty() && !QStandardPaths::findExecutable(QStringLiteral("mosquitto_sub")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("mosquitto_passwd")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty();
}

bool MosquittoBroker::run(const QString &program, const QStringList &arguments)
{
    const auto finished = ChildProcess::run(program, arguments);
    return finished.exitCode == 0
        || failed(QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(finished.output)));
}

bool MosquittoBroker::writeConfiguration(Mode mode)
{
    QByteArray conf = QStringLiteral("listener %1 127.0.0.1\npersistence false\nlog_dest stderr\n").arg(m_port).toUtf8();
    if (::getuid() == 0)
        conf += "user root\n";  // else it changes to the user "mosquitto", who cannot read this directory
    conf += mode == Mode::Password ? "allow_anonymous false\n" : "allow_anonymous true\n";
    if (mode == Mode::Password) {
        const QString file = filePath(QStringLiteral("passwd"));
        if (!QFile::exists(file)
            && !run(QStringLiteral("mosquitto_passwd"), {QStringLiteral("-b"), QStringLiteral("-c"), file,
                                                          QLatin1StringView(Username), QLatin1StringView(Password)}))
            return false;
        conf += "password_file " + file.toUtf8() + "\n";
        if (!writeFile(QStringLiteral("bridge-password"), QByteArray(Password) + "\n"))
            return false;
        QFile(filePath(QStringLiteral("bridge-password"))).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    if (mode == Mode::Tls) {
        const QString key = filePath(QStringLiteral("key.pem"));
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
    return writeFile(QStringLiteral("mosquitto.conf"), conf);
}

bool MosquittoBroker::start(Mode mode)
{
    m_mode = mode;
    if (m_port == 0)
        m_port = freeLoopbackPort();
    return writeConfiguration(mode)
        && launch(mosquittoProgram(), {QStringLiteral("-c"), filePath(QStringLiteral("mosquitto.conf"))},
                  [this] {
                      QTcpSocket probe;
                      probe.connectToHost(QHostAddress::LocalHost, m_port);
                      return probe.waitForConnected(200);
                  },
                  WaitMs);
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
                << filePath(QStringLiteral("bridge-password"));
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
    // --retained-only and -W: what the broker holds, then out after two seconds of quiet.
    const auto finished = ChildProcess::run(QStringLiteral("mosquitto_sub"),
                                            clientOptions() + QStringList{QStringLiteral("-t"), filter,
                                                                          QStringLiteral("--retained-only"),
                                                                          QStringLiteral("-W"), QStringLiteral("2")}
                                                + TopicAndHex,
                                            {}, WaitMs);
    QMap<QString, QByteArray> messages;
    for (const auto &message : messagesIn(finished.output.split('\n')))
        messages.insert(message.topic, message.payload);
    return messages;
}

bool MosquittoBroker::publish(const QString &topic, const QByteArray &payload, const QStringList &extra)
{
    const QStringList whole = extra.contains(u"-l"_qs) ? QStringList{} : QStringList{QStringLiteral("-s")};
    return ChildProcess::run(QStringLiteral("mosquitto_pub"), clientOptions() + QStringList{QStringLiteral("-t"), topic}
                                 + whole + extra, payload, WaitMs)
               .exitCode
        == 0;
}

MqttWatcher::~MqttWatcher()
{
    ChildProcess::end(m_process);
}

bool MqttWatcher::start(const QString &filter)
{
    // -d writes the broker's SUBACK among the messages: the subscription
    // holds from then on. Line-buffered, or the pipe would keep it.
    m_process.start(QStringLiteral("stdbuf"), QStringList{QStringLiteral("-oL"), QStringLiteral("mosquitto_sub")}
                                                  + m_broker.clientOptions()
                                                  + QStringList{QStringLiteral("-d"), QStringLiteral("-t"), filter}
                                                  + TopicAndHex);
    return QTest::qWaitFor([this] {
        (void)messages();
        return m_subscribed || m_process.state() == QProcess::NotRunning;
    }, MosquittoBroker::WaitMs) && m_subscribed;
}

QList<MqttWatcher::Message> MqttWatcher::messages()
{
    m_buffer += m_process.readAllStandardOutput();
    const qsizetype end = m_buffer.lastIndexOf('\n');
    if (end < 0)
        return m_messages;
    const QList<QByteArray> lines = m_buffer.left(end).split('\n');
    m_buffer.remove(0, end + 1);
    m_subscribed = m_subscribed || std::any_of(lines.begin(), lines.end(), [](const QByteArray &l) {
        return l.contains("received SUBACK");
    });
    m_messages += messagesIn(lines);
    return m_messages;
}
