// What a "Ports" entry names: a device, or a network port behind a device
// server, and which COM number reaches which.

#include "link/portsgroup.h"
#include "transports/porttarget.h"
#include "support/testsettings.h"
#include "link/linksettings.h"

#include <QSettings>
#include <QTest>

using Kind = PortTarget::Kind;

Q_DECLARE_METATYPE(PortTarget::Kind)

class PortTargetTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }
    void init() { TestSettings::clear(); }

    void readsDevicesAndNetworkPorts_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("deviceOrHost");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("endpoint");

        QTest::newRow("a device") << "/dev/ttyUSB0" << Kind::Device << "/dev/ttyUSB0" << 0 << ":0";
        QTest::newRow("a by-id link") << "/dev/serial/by-id/usb-FTDI_A1-if00-port0" << Kind::Device
                                      << "/dev/serial/by-id/usb-FTDI_A1-if00-port0" << 0 << ":0";
        QTest::newRow("raw TCP") << "socket://10.0.0.7:4001" << Kind::RawTcp << "10.0.0.7" << 4001
                                 << "10.0.0.7:4001";
        QTest::newRow("RFC 2217") << "rfc2217://10.0.0.7:2217" << Kind::Rfc2217 << "10.0.0.7" << 2217
                                  << "10.0.0.7:2217";
        QTest::newRow("scheme in capitals") << "SOCKET://10.0.0.7:1" << Kind::RawTcp << "10.0.0.7" << 1
                                            << "10.0.0.7:1";
        QTest::newRow("a host name") << "rfc2217://projector-3.hall.example:65535" << Kind::Rfc2217
                                     << "projector-3.hall.example" << 65535
                                     << "projector-3.hall.example:65535";
        QTest::newRow("one label") << "socket://devserver:4001" << Kind::RawTcp << "devserver" << 4001
                                   << "devserver:4001";
        QTest::newRow("a trailing slash") << "socket://10.0.0.7:4001/" << Kind::RawTcp << "10.0.0.7"
                                          << 4001 << "10.0.0.7:4001";
        QTest::newRow("IPv6 loopback") << "rfc2217://[::1]:2217" << Kind::Rfc2217 << "::1" << 2217
                                       << "[::1]:2217";
        QTest::newRow("IPv6 written long")
            << "socket://[2001:DB8:0:0:0:0:0:7]:4001" << Kind::RawTcp << "2001:db8::7" << 4001
            << "[2001:db8::7]:4001";
        QTest::newRow("IPv6 with IPv4 tail") << "socket://[::ffff:10.0.0.7]:4001" << Kind::RawTcp
                                             << "::ffff:10.0.0.7" << 4001 << "[::ffff:10.0.0.7]:4001";
    }
    void readsDevicesAndNetworkPorts()
    {
        QFETCH(QString, entry);
        QFETCH(Kind, kind);
        QFETCH(QString, deviceOrHost);
        QFETCH(int, port);
        QFETCH(QString, endpoint);

        const PortTarget target = PortTarget::fromEntry(entry);
        QCOMPARE(target.kind, kind);
        QCOMPARE(target.problem, QString());
        QCOMPARE(kind == Kind::Device ? target.device : target.host, deviceOrHost);
        QCOMPARE(int(target.port), port);
        QCOMPARE(target.isNetwork(), kind != Kind::Device);
        if (target.isNetwork())
            QCOMPARE(target.endpoint(), endpoint);
    }

    void rejectsMalformedNetworkPorts_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("why");  // a part of the reason given

        QTest::newRow("no port") << "socket://10.0.0.7" << "port number is missing";
        QTest::newRow("empty port") << "socket://10.0.0.7:" << "1 to 65535";
        QTest::newRow("port 0") << "socket://10.0.0.7:0" << "1 to 65535";
        QTest::newRow("port 65536") << "rfc2217://10.0.0.7:65536" << "1 to 65535";
        QTest::newRow("huge port") << "socket://10.0.0.7:99999999999" << "1 to 65535";
        QTest::newRow("signed port") << "socket://10.0.0.7:+80" << "1 to 65535";
        QTest::newRow("port with letters") << "socket://10.0.0.7:40a1" << "1 to 65535";
        QTest::newRow("no host") << "socket://:4001" << "host is missing";
        QTest::newRow("IPv6 without brackets") << "socket://::1:4001" << "brackets";
        QTest::newRow("bracket not closed") << "socket://[::1:4001" << "not closed";
        QTest::newRow("not IPv6 in brackets") << "socket://[10.0.0.7]:4001" << "IPv6";
        QTest::newRow("bad IPv6") << "socket://[2001:db8::7::1]:4001" << "IPv6";
        QTest::newRow("IPv6 zone") << "socket://[fe80::1%25eth0]:4001" << "IPv6";
        QTest::newRow("nothing after brackets") << "socket://[::1]" << "port number is missing";
        QTest::newRow("an IPv4 number too big") << "socket://10.0.0.256:4001" << "not a host name";
        QTest::newRow("leading zero") << "socket://010.0.0.7:4001" << "not a host name";
        QTest::newRow("three numbers") << "socket://10.0.7:4001" << "not a host name";
        QTest::newRow("underscore") << "socket://dev_server:4001" << "not a host name";
        QTest::newRow("hyphen first") << "socket://-dev:4001" << "not a host name";
        QTest::newRow("empty label") << "socket://dev..example:4001" << "not a host name";
        QTest::newRow("label too long") << "socket://" + QString(64, u'a') + ":4001" << "not a host name";
        QTest::newRow("space in host") << "socket://dev server:4001" << "not a host name";
        QTest::newRow("user name") << "socket://admin@10.0.0.7:4001" << "only host:port";
        QTest::newRow("path") << "socket://10.0.0.7:4001/port1" << "only host:port";
        QTest::newRow("query") << "rfc2217://10.0.0.7:2217?ign_set_control" << "only host:port";
        QTest::newRow("another scheme") << "telnet://10.0.0.7:23" << "socket://host:port";
    }
    void rejectsMalformedNetworkPorts()
    {
        QFETCH(QString, entry);
        QFETCH(QString, why);
        const PortTarget target = PortTarget::fromEntry(entry);
        QCOMPARE(target.kind, Kind::Invalid);
        QVERIFY2(target.problem.startsWith(entry + QLatin1StringView(" is no network port")),
                 qPrintable(target.problem));
        QVERIFY2(target.problem.contains(why), qPrintable(target.problem));
    }

    // Refused before anything opens a device or takes a lock for it.
    void rejectsNamesNoPortCanHave_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("problem");
        const QString longest = QStringLiteral("/tmp/") + QString(245, u'a');
        QTest::newRow("a NUL") << QStringLiteral("/tmp/t/q%1a").arg(QChar(0))
                               << "\"/tmp/t/q\\0a\" cannot name a port: it holds a control character";
        QTest::newRow("a CR in a URL") << "socket://10.0.0.7:4001\r"
                                       << "\"socket://10.0.0.7:4001\\r\" cannot name a port: it holds a control character";
        QTest::newRow("DEL") << QStringLiteral("/dev/ttyS0%1").arg(QChar(0x7F))
                             << "\"/dev/ttyS0\\x7f\" cannot name a port: it holds a control character";
        QTest::newRow("longer than a lock's name allows")
            << longest + u'a'
            << "\"" + longest.left(80) + "\"... is too long for a serial device's name: 251 characters, at most 250 "
                                         "(its lock file's name must fit the system's 255)";
        QTest::newRow("as long as it may be") << longest << QString();
        QTest::newRow("under /dev/, five more") << QStringLiteral("/dev/") + QString(250, u'b') << QString();
    }
    void rejectsNamesNoPortCanHave()
    {
        QFETCH(QString, entry);
        QFETCH(QString, problem);
        const PortTarget target = PortTarget::fromEntry(entry);
        QCOMPARE(target.problem, problem);
        QCOMPARE(target.kind == Kind::Invalid, !problem.isEmpty());
    }

    // What the port dialog says of a COM number whose entry names no port;
    // the entries' own faults are rejectsMalformedNetworkPorts'.
    void dialogSaysWhatIsWrongWithAnEntry()
    {
        const QString described =
            QStringLiteral("COM7: rfc2217://[::1 is no network port: the [ of an IPv6 address is not closed");
        TestSettings::mapPort(7, QStringLiteral("rfc2217://[::1"));
        auto store = LinkSettings::openStore();
        const PortDescription::Port port = PortsGroup::port(7, *store, {});
        QCOMPARE(PortDescription::describe(port), described);
        // The OTHER field lists it by what is wrong, and the rest as without a device.
        QList<PortDescription::Port> others;
        for (int number = 6; number <= 15; ++number)
            others.append(PortsGroup::port(number, *store, {}));
        QCOMPARE(PortDescription::otherPorts(others), described + "\nNo device: COM6, COM8 to COM15");
    }

    void eachComNumberReachesItsEntry()
    {
        TestSettings::mapPort(3, QStringLiteral("/dev/ttyUSB0"));
        TestSettings::mapPort(4, QStringLiteral("  rfc2217://10.0.0.7:2217 "));
        TestSettings::mapPort(5, QStringLiteral("socket://10.0.0.7"));
        auto store = LinkSettings::openStore();
        QCOMPARE(PortsGroup::targetFor(4, *store), PortTarget::fromEntry(QStringLiteral("rfc2217://10.0.0.7:2217")));
        QCOMPARE(PortsGroup::targetFor(5, *store).kind, Kind::Invalid);
#ifdef Q_OS_WIN
        QCOMPARE(PortsGroup::targetFor(3, *store), PortTarget::fromDevice(QStringLiteral("COM3")));
        QCOMPARE(PortsGroup::targetFor(6, *store), PortTarget::fromDevice(QStringLiteral("COM6")));
#else
        QCOMPARE(PortsGroup::targetFor(3, *store), PortTarget::fromDevice(QStringLiteral("/dev/ttyUSB0")));
        QCOMPARE(PortsGroup::targetFor(6, *store), PortTarget::fromDevice(QStringLiteral("/dev/ttyS5")));
#endif
    }
};

QTEST_GUILESS_MAIN(PortTargetTest)
#include "tst_porttarget.moc"
