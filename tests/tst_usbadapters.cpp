// USB-serial adapters through the real program: COM numbers given at start-up
// and when the dialog opens, what the dialog says of each number, why a port
// did not open, and a pulled cable that comes back by itself.

#include "support/cpushare.h"
#include "support/fakeprojector.h"
#include "support/modalwatcher.h"
#include "support/ordinaryuser.h"
#include "support/panelfixture.h"
#include "support/testfiles.h"
#include "support/testsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>

namespace {

// Long enough for several looks of the watch for a lost device (4 a second).
constexpr int SeveralLooksMs = 1200;

} // namespace

class UsbAdaptersTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }

    void init()
    {
        TestSettings::clear();
        m_watcher = std::make_unique<ModalWatcher>();
        QVERIFY(FakeProjector::openFresh(m_projector));
        QVERIFY(m_folder.isValid());
        m_panel.useDevices(m_devices);
    }

    void cleanup()
    {
        m_devices.devices.clear();
        m_panel.reset();
        m_watcher.reset();
        m_projector.reset();
        m_replacement.reset();
        m_modes.restore();
    }

    // --- COM numbers for adapters ---------------------------------------------------

    void aFirstRunWithAnAdapterPluggedInFindsItAmongTheOptions()
    {
        const QString link = plugInAdapter("A10K5Z3B");
        // No stored link: start-up falls back to the dialog, which numbers the
        // adapter before the operator chooses.
        m_watcher->onModalDialog([&](QWidget *dialog) {
            QCOMPARE(TestSettings::value(QStringLiteral("Ports"), QStringLiteral("COM1")), link);
            QVERIFY(!TestSettings::contains(QStringLiteral("StartUP"), QStringLiteral("ComPort")));
            const QWidget *com1 = Controls::control(*dialog, "COM1");
            QCOMPARE(com1->toolTip(), QStringLiteral("COM1: %1, FT232R USB UART, serial A10K5Z3B")
                                          .arg(ownName(m_projector->devicePath())));
            QCOMPARE(com1->accessibleDescription(), com1->toolTip());
            PanelFixture::press(dialog, "COM1");
            PanelFixture::pressOk(dialog);
        });
        m_panel.startFromTheStore();
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(TestSettings::value(QStringLiteral("StartUP"), QStringLiteral("ComPort")), QStringLiteral("1"));
        m_panel.click("Power", "On");
        QTRY_COMPARE(m_projector->received(), QByteArray("C00\r"));
    }

    void startUpNumbersAnAdapterBeforeItOpensTheStoredPort()
    {
        const QString link = plugInAdapter("B2000000");
        TestSettings::mapPort(1, QStringLiteral("/dev/ttyUSB99"));  // written by hand: kept
        TestSettings::storeLink(QStringLiteral("2"), QStringLiteral("192"));
        m_panel.startFromTheStore();
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(m_watcher->dialogsAnswered(), 0);
        QCOMPARE(TestSettings::value(QStringLiteral("Ports"), QStringLiteral("COM1")),
                 QStringLiteral("/dev/ttyUSB99"));
        QCOMPARE(TestSettings::value(QStringLiteral("Ports"), QStringLiteral("COM2")), link);
    }

    void withNoAdapterNothingIsWritten()
    {
        m_devices.devices.clear();
        TestSettings::mapPort(1, m_projector->devicePath());
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("192"));
        const QByteArray before = TestSettings::storeFileBytes();
        m_panel.startFromTheStore();
        QVERIFY(m_panel.comm().PortOpen());
        QVERIFY(m_panel.pressCom());
        QCOMPARE(TestSettings::storeFileBytes(), before);
    }

    // --- what the dialog says ------------------------------------------------------

    void theDialogSaysWhatIsBehindEachNumber()
    {
        m_devices.devices.clear();
        TestSettings::mapPort(3, QStringLiteral("/nonexistent/ttyUSB5"));
        TestSettings::mapPort(4, QStringLiteral("socket://10.0.0.7:4001"));
        TestSettings::mapPort(7, m_projector->devicePath());
        TestSettings::mapPort(1, m_projector->devicePath());
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("192"));
        m_panel.startFromTheStore();
        Form2 *dialog = m_panel.pressCom();
        QVERIFY(dialog);
        const QString pty = ownName(m_projector->devicePath());
        // The options by their captions, which stay as they are.
        const auto says = [&](const char *option) { return Controls::control(*dialog, option)->accessibleDescription(); };
        QCOMPARE(says("COM1"), QStringLiteral("COM1: %1").arg(pty));           // mapped
        QCOMPARE(says("COM2"), QStringLiteral("COM2: /dev/ttyS1, not present"));  // unmapped
        QCOMPARE(says("COM3"), QStringLiteral("COM3: /nonexistent/ttyUSB5, not present"));  // missing
        QCOMPARE(says("COM4"), QStringLiteral("COM4: socket://10.0.0.7:4001, network port"));
        const auto *other = dialog->findChild<QLineEdit *>(QStringLiteral("Text1"));
        QCOMPARE(other->toolTip(), QStringLiteral("COM6 to COM15 with a device:\nCOM7: %1\nNo device: COM6, COM8 to COM15").arg(pty));
    }

    // --- why a port did not open -----------------------------------------------------

    void retryComportSaysWhyThePortDidNotOpen_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QString>("reason");
        QTest::newRow("the device does not exist") << "missing" << "does not exist";
        QTest::newRow("another program holds it") << "held" << "is in use by another program";
        // The group is the device's, added below.
        QTest::newRow("no permission") << "permission" << "Add your user to the group ";
    }
    void retryComportSaysWhyThePortDidNotOpen()
    {
        QFETCH(QString, blocker);
        QFETCH(QString, reason);
        m_devices.devices.clear();
        TestSettings::mapPort(1, m_projector->devicePath());
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("192"));
        m_panel.startFromTheStore();
        QVERIFY(m_panel.comm().PortOpen());

        QString device = m_projector->devicePath();
        QSerialPort holder;
        std::optional<OrdinaryUser> ordinaryUser;
        if (blocker == QLatin1String("missing")) {
            device = m_folder.filePath(QStringLiteral("unplugged"));
        } else if (blocker == QLatin1String("held")) {
            QVERIFY(FakeProjector::openFresh(m_replacement));
            device = m_replacement->devicePath();
            holder.setPortName(device);
            QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
        } else {
            QVERIFY(FakeProjector::openFresh(m_replacement));
            device = m_replacement->devicePath();
            // As root the device goes to the group serial ports have; an
            // ordinary user, who may not give it away, shuts it to himself.
            const struct group *dialout = ::getgrnam("dialout");
            const QByteArray name = QFile::encodeName(device);
            if (dialout && ::chown(name.constData(), uid_t(-1), dialout->gr_gid) == 0)
                QVERIFY(m_modes.set(device, 0660));
            else
                QVERIFY(m_modes.set(device, 0));
            struct stat info {};
            QVERIFY(::stat(name.constData(), &info) == 0);
            const struct group *owner = ::getgrgid(info.st_gid);
            QVERIFY(owner);
            reason += QString::fromLocal8Bit(owner->gr_name);
        }
        TestSettings::mapPort(5, device);
        // The ordinary user reads the store too.
        QVERIFY(m_modes.set(QFileInfo(TestSettings::storeFilePath()).path(), 0755));
        QVERIFY(m_modes.set(TestSettings::storeFilePath(), 0644));

        Form2 *dialog = m_panel.pressCom();
        QVERIFY(dialog);
        PanelFixture::press(dialog, "COM5");
        // Only the opening runs as an ordinary user: a lock that root took
        // (COM1's, closed by "COM") is root's to remove.
        if (blocker == QLatin1String("permission")) {
            ordinaryUser.emplace();
            if (!ordinaryUser->isActive())
                QSKIP(qPrintable(ordinaryUser->errorString()));
        }
        PanelFixture::pressOk(dialog);
        ordinaryUser.reset();

        QCOMPARE(m_watcher->messageBoxes().size(), 1);
        const ModalWatcher::MessageBox box = m_watcher->messageBoxes().first();
        QCOMPARE(box.text, QStringLiteral("Retry Comport"));
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY2(box.detail.contains(reason), qPrintable(box.detail));
        QVERIFY2(box.detail.contains(QFileInfo(device).fileName()), qPrintable(box.detail));
        QVERIFY(m_panel.openDialog());
    }

    void okWithNoPortChosenHasNoReasonToGive()
    {
        m_watcher->onModalDialog([](QWidget *dialog) { PanelFixture::pressOk(dialog); });
        m_panel.startFromTheStore();
        QCOMPARE(m_watcher->messageBoxes().size(), 1);
        QVERIFY(m_watcher->messageBoxes().first().detail.isEmpty());
    }

    // --- a pulled cable ------------------------------------------------------------------

    void aDeviceThatComesBackIsReopenedByItself()
    {
        const QString link = m_folder.filePath(QStringLiteral("adapter"));
        QVERIFY(TestFiles::relink(link, m_projector->devicePath()));
        TestSettings::mapPort(1, link);
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("96"));
        m_panel.startFromTheStore();
        QVERIFY2(m_panel.comm().PortOpen(), qPrintable(m_panel.comm().errorString()));
        const QByteArray storeBefore = TestSettings::storeFileBytes();

        // Pulled: the link goes and the device end closes.
        QFile::remove(link);
        m_projector->hangUp();
        QTRY_VERIFY(!m_panel.comm().PortOpen());
        // While it is away: idle, and a press writes nothing and shows the mark.
        QVERIFY(CpuShare::whileTheEventLoopRuns(SeveralLooksMs) < 0.2);
        m_panel.click("Power", "On");
        QCOMPARE(m_panel.txd(), QStringLiteral(" C 0 0  [CR] "));

        // Plugged in again: a new device behind the same name.
        QVERIFY(FakeProjector::openFresh(m_replacement));
        QVERIFY(TestFiles::relink(link, m_replacement->devicePath()));
        QTRY_VERIFY(m_panel.comm().PortOpen());
        QCOMPARE(m_panel.comm().Settings(), QStringLiteral("9600,N,8,1"));
        QCOMPARE(m_watcher->dialogsAnswered(), 0);
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        m_panel.click("Status");
        QTRY_COMPARE(m_replacement->received(), QByteArray("CR0\r"));
        QCOMPARE(TestSettings::storeFileBytes(), storeBefore);
    }

    void nothingIsReopenedAfterComOrEnd_data()
    {
        QTest::addColumn<QString>("closedBy");
        QTest::newRow("COM") << "COM";
        QTest::newRow("END") << "END";
    }
    void nothingIsReopenedAfterComOrEnd()
    {
        QFETCH(QString, closedBy);
        const QString link = m_folder.filePath(QStringLiteral("adapter"));
        QVERIFY(TestFiles::relink(link, m_projector->devicePath()));
        TestSettings::mapPort(1, link);
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("192"));
        m_panel.startFromTheStore();
        QVERIFY(m_panel.comm().PortOpen());
        MSComm *comm = &m_panel.comm();
        QFile::remove(link);
        m_projector->hangUp();
        QTRY_VERIFY(!comm->PortOpen());

        m_panel.click(closedBy);
        QVERIFY(FakeProjector::openFresh(m_replacement));
        QVERIFY(TestFiles::relink(link, m_replacement->devicePath()));
        // Several looks of the watch go by: nothing opens the device.
        QSignalSpy returned(comm, &MSComm::deviceReturned);
        QVERIFY(!returned.wait(SeveralLooksMs));
        QVERIFY(!comm->PortOpen());
        QVERIFY(!comm->isWaitingForDevice());
        QVERIFY(m_replacement->received().isEmpty());
    }

private:
    // A USB adapter that the system lists, its device the fake projector and
    // its by-id link in a folder of the test's own.
    QString plugInAdapter(const QString &serial)
    {
        const QString link = m_folder.filePath(QStringLiteral("usb-FTDI_FT232R_USB_UART_%1-if00-port0").arg(serial));
        if (!TestFiles::relink(link, m_projector->devicePath()))
            return {};
        AdapterNumbers::SerialDevice device;
        device.systemLocation = ownName(m_projector->devicePath());
        device.byIdLink = link;
        device.description = QStringLiteral("FT232R USB UART");
        device.serialNumber = serial;
        device.isUsbAdapter = true;
        m_devices.devices = {device};
        return link;
    }

    static QString ownName(const QString &path) { return QFileInfo(path).canonicalFilePath(); }

    QTemporaryDir m_folder;
    std::unique_ptr<ModalWatcher> m_watcher;
    std::unique_ptr<FakeProjector> m_projector;
    std::unique_ptr<FakeProjector> m_replacement;
    ListedDevices m_devices;
    PanelFixture m_panel;
    TestFiles::Modes m_modes;
};

QTEST_MAIN(UsbAdaptersTest)
#include "tst_usbadapters.moc"
