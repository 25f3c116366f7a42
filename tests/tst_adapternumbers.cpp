// The rules that give USB-serial adapters COM numbers of their own, and what
// the port dialog says of each number.

#include "devices/adapternumbers.h"
#include "devices/portdescription.h"

#include "support/tabledata.h"

#include <QSerialPortInfo>
#include <QTest>

using namespace AdapterNumbers;

namespace {

SerialDevice adapter(const QString &tty, const QString &serial, const QString &socket)
{
    SerialDevice device;
    device.systemLocation = QStringLiteral("/dev/") + tty;
    if (!serial.isEmpty())
        device.byIdLink = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_%1-if00-port0").arg(serial);
    device.byPathLink = QStringLiteral("/dev/serial/by-path/pci-0000:00:14.0-usb-0:%1:1.0-port0").arg(socket);
    device.description = QStringLiteral("FT232R USB UART");
    device.serialNumber = serial;
    device.isUsbAdapter = true;
    return device;
}

SerialDevice builtIn(int index)
{
    SerialDevice device;
    device.systemLocation = QStringLiteral("/dev/ttyS%1").arg(index);
    return device;
}

PortsEntry entry(const QString &value, const QString &device = {})
{
    return {value, device};
}

} // namespace

Q_DECLARE_METATYPE(SerialDevice)
Q_DECLARE_METATYPE(Assignment)
Q_DECLARE_METATYPE(PortDescription::Port)

class AdapterNumbersTest : public QObject
{
    Q_OBJECT

private slots:
    void newAdaptersGetTheLowestFreeNumber_data()
    {
        QTest::addColumn<QList<SerialDevice>>("devices");
        QTest::addColumn<PortsGroup>("ports");
        QTest::addColumn<QList<Assignment>>("added");

        const SerialDevice first = adapter("ttyUSB0", "A10K5Z3B", "1");
        const SerialDevice second = adapter("ttyUSB1", "B2000000", "2");
        const SerialDevice anonymous = adapter("ttyACM0", QString(), "3");

        QTest::newRow("nothing plugged in, nothing mapped")
            << QList<SerialDevice>{} << PortsGroup{} << QList<Assignment>{};
        QTest::newRow("a built-in port alone gets nothing")
            << QList<SerialDevice>{builtIn(0)} << PortsGroup{} << QList<Assignment>{};
        QTest::newRow("the first adapter")
            << QList<SerialDevice>{first} << PortsGroup{} << QList<Assignment>{{1, first.byIdLink}};
        QTest::newRow("built-in UARTs that exist are skipped")
            << QList<SerialDevice>{builtIn(0), builtIn(1), first} << PortsGroup{}
            << QList<Assignment>{{3, first.byIdLink}};
        QTest::newRow("a second adapter takes the next free number")
            << QList<SerialDevice>{first, second} << PortsGroup{{1, entry(first.byIdLink)}}
            << QList<Assignment>{{2, second.byIdLink}};
        QTest::newRow("two new ones are numbered by their names, not by the listing")
            << QList<SerialDevice>{second, first} << PortsGroup{}
            << QList<Assignment>{{1, first.byIdLink}, {2, second.byIdLink}};
        QTest::newRow("seen again in another socket: keeps its number")
            << QList<SerialDevice>{adapter("ttyUSB3", "A10K5Z3B", "4")}
            << PortsGroup{{5, entry(first.byIdLink)}} << QList<Assignment>{};
        QTest::newRow("without a serial number: numbered by its socket")
            << QList<SerialDevice>{anonymous} << PortsGroup{} << QList<Assignment>{{1, anonymous.byPathLink}};
        QTest::newRow("hand-written entries keep their numbers and are skipped")
            << QList<SerialDevice>{first} << PortsGroup{{1, entry("/dev/ttyUSB7")}, {2, entry("socket://10.0.0.7:4001")}}
            << QList<Assignment>{{3, first.byIdLink}};
        QTest::newRow("a hand-written entry naming its device counts as its number")
            << QList<SerialDevice>{first} << PortsGroup{{3, entry("/dev/ttyUSB0")}} << QList<Assignment>{};
        QTest::newRow("an entry leading to its device through another link counts too")
            << QList<SerialDevice>{first} << PortsGroup{{4, entry("/home/me/projector", "/dev/ttyUSB0")}}
            << QList<Assignment>{};
        QTest::newRow("a gap is filled")
            << QList<SerialDevice>{first} << PortsGroup{{1, entry("/dev/ttyUSB7")}, {3, entry("/dev/ttyUSB8")}}
            << QList<Assignment>{{2, first.byIdLink}};
        QTest::newRow("listed twice: numbered once")
            << QList<SerialDevice>{first, first} << PortsGroup{} << QList<Assignment>{{1, first.byIdLink}};
        SerialDevice nameless = adapter("ttyUSB9", QString(), "9");
        nameless.byPathLink.clear();
        QTest::newRow("no name to keep a number under: none")
            << QList<SerialDevice>{nameless} << PortsGroup{} << QList<Assignment>{};

        PortsGroup full;
        for (int n = 1; n <= 14; ++n)
            full.insert(n, entry(QStringLiteral("/dev/ttyUSB%1").arg(n + 10)));
        QTest::newRow("one number left: the first adapter gets it, the second none")
            << QList<SerialDevice>{first, second} << full << QList<Assignment>{{15, first.byIdLink}};
        full.insert(15, entry(QStringLiteral("/dev/ttyUSB25")));
        QTest::newRow("1 to 15 all in use: no entry")
            << QList<SerialDevice>{first} << full << QList<Assignment>{};
    }
    void newAdaptersGetTheLowestFreeNumber()
    {
        QFETCH(QList<SerialDevice>, devices);
        QFETCH(PortsGroup, ports);
        QFETCH(QList<Assignment>, added);
        QCOMPARE(newAssignments(devices, ports), added);
    }

    void builtInPortsAreComNumbersFromOne_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<int>("number");
        QTest::newRow("ttyS0") << "/dev/ttyS0" << 1;
        QTest::newRow("ttyS14") << "/dev/ttyS14" << 15;
        QTest::newRow("ttyUSB0") << "/dev/ttyUSB0" << 0;
        QTest::newRow("ttyS without a number") << "/dev/ttyS" << 0;
        QTest::newRow("a link") << "/dev/serial/by-id/ttyS0" << 0;
    }
    void builtInPortsAreComNumbersFromOne()
    {
        QFETCH(QString, location);
        QFETCH(int, number);
        QCOMPARE(builtInNumber(location), number);
    }

    void eachNumberSaysWhatIsBehindIt_data()
    {
        using PortDescription::Port;
        QTest::addColumn<Port>("port");
        QTest::addColumn<QString>("text");
        const SerialDevice usb = adapter("ttyUSB0", "A10K5Z3B", "1");
        QTest::newRow("an adapter by its serial number")
            << Port{3, usb.byIdLink, "/dev/ttyUSB0", false, usb}
            << "COM3: /dev/ttyUSB0, FT232R USB UART, serial A10K5Z3B";
        QTest::newRow("a built-in port that is not there")
            << Port{1, "/dev/ttyS0", QString(), false, std::nullopt} << "COM1: /dev/ttyS0, not present";
        QTest::newRow("an adapter that is unplugged")
            << Port{3, usb.byIdLink, QString(), false, std::nullopt} << "COM3: " + usb.byIdLink + ", not present";
        QTest::newRow("a device the system does not list (a pseudo-terminal)")
            << Port{2, "/tmp/projector", "/dev/pts/4", false, std::nullopt} << "COM2: /dev/pts/4";
        SerialDevice maker = usb;
        maker.description.clear();
        maker.manufacturer = QStringLiteral("Prolific");
        maker.serialNumber.clear();
        QTest::newRow("only a manufacturer") << Port{5, "/dev/ttyUSB0", "/dev/ttyUSB0", false, maker}
                                             << "COM5: /dev/ttyUSB0, Prolific";
        QTest::newRow("a network port") << Port{4, "socket://10.0.0.7:4001", QString(), true, std::nullopt}
                                        << "COM4: socket://10.0.0.7:4001, network port";
    }
    void eachNumberSaysWhatIsBehindIt()
    {
        QFETCH(PortDescription::Port, port);
        QFETCH(QString, text);
        QCOMPARE(PortDescription::describe(port), text);
    }

    void theOtherFieldListsTheHigherNumbersWithADevice()
    {
        using PortDescription::Port;
        const QList<Port> ports{{5, "/dev/ttyUSB0", "/dev/ttyUSB0", false, std::nullopt},
                                {7, "/dev/ttyUSB1", "/dev/ttyUSB1", false, std::nullopt},
                                {9, "/dev/ttyS8", QString(), false, std::nullopt},
                                {12, "rfc2217://10.0.0.8:2217", QString(), true, std::nullopt}};
        QCOMPARE(PortDescription::otherPorts(ports),
                 QStringLiteral("COM6 to COM15 with a device:\nCOM7: /dev/ttyUSB1\n"
                                "COM12: rfc2217://10.0.0.8:2217, network port\nNo device: COM9"));
        QCOMPARE(PortDescription::otherPorts(ports.mid(0, 1)),
                 QStringLiteral("COM6 to COM15: none has a device"));
    }

    // Whatever a machine lists, numbers stay in 1 to 15, are distinct, avoid
    // the numbers in use, and a second pass adds nothing: this machine's own
    // ports (none on most test machines) and a list recorded from a real one.
    void anyMachinesPortsFollowTheRules_data()
    {
        QTest::addColumn<QList<SerialDevice>>("devices");
        QTest::addColumn<int>("adapters");  // distinct adapters with a stable name, at least

        QList<SerialDevice> own;
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
            SerialDevice device;
            device.systemLocation = info.systemLocation();
            device.byPathLink = info.systemLocation();  // a stand-in name
            device.isUsbAdapter = info.hasVendorIdentifier();
            own.append(device);
        }
        QTest::newRow("this machine") << own << 0;

        QList<SerialDevice> recorded;
        for (const QStringList &row : TableData::read(QStringLiteral(":/tables/serial-ports-recorded.tsv"))) {
            const auto field = [&row](int column) { return TableData::quoted(row.value(column)); };
            recorded.append(SerialDevice{field(0), field(1), field(2), field(3), field(4), field(5),
                                         row.value(6) == u"yes"});
        }
        QTest::newRow("recorded") << recorded << 4;
    }

    void anyMachinesPortsFollowTheRules()
    {
        QFETCH(QList<SerialDevice>, devices);
        QFETCH(int, adapters);
        const PortsGroup ports{{2, entry(QStringLiteral("/dev/ttyUSB99"))}};
        const QList<Assignment> added = newAssignments(devices, ports);
        QVERIFY(added.size() >= adapters);
        PortsGroup after = ports;
        for (const Assignment &assignment : added) {
            QVERIFY(assignment.portNumber >= 1 && assignment.portNumber <= 15);
            QVERIFY(!after.contains(assignment.portNumber));
            for (const SerialDevice &device : devices)
                QVERIFY(builtInNumber(device.systemLocation) != assignment.portNumber || device.isUsbAdapter);
            after.insert(assignment.portNumber, entry(assignment.stableName));
        }
        QVERIFY(newAssignments(devices, after).isEmpty());
    }
};

QTEST_GUILESS_MAIN(AdapterNumbersTest)
#include "tst_adapternumbers.moc"
