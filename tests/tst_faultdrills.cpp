// Fault drills through the real windows: a device that vanishes in the middle
// of an exchange, a port that may not be opened, a settings store full of
// garbage or closed to writing, and a device that sends noise without end.
// The program must not crash, must decide as its rules say and must stay
// usable afterwards.

#include "link/module1.h"
#include "exchange/exchange.h"
#include "panel/holdrepeat.h"
#include "exchange/monitorrendering.h"
#include "exchange/receivebuffer.h"
#include "link/form2.h"
#include "link/linksettings.h"
#include "link/mscomm.h"
#include "panel/form1.h"
#include "support/cpushare.h"
#include "support/fakeprojector.h"
#include "support/modalwatcher.h"
#include "support/panelfixture.h"
#include "support/ordinaryuser.h"
#include "support/simulatorprocess.h"
#include "support/testfiles.h"
#include "support/testsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

constexpr int TimeoutMs = 10000;

// AddressSanitizer keeps freed memory in quarantine, so there the resident size
// grows with every allocation made and says nothing about what is kept; its
// leak checker watches that instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool ResidentSizeTellsWhatIsKept = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool ResidentSizeTellsWhatIsKept = false;
#else
constexpr bool ResidentSizeTellsWhatIsKept = true;
#endif
#else
constexpr bool ResidentSizeTellsWhatIsKept = true;
#endif

// How the device goes away in the middle of an exchange.
enum class Vanishing {
    SimulatorHangsUpAfterItsReply,  // rm740-sim --drop-after
    InTheMiddleOfAReply,
    DuringAPressAndHold,
    JustBeforeAFrameIsWritten,
};

// What keeps the program from opening its port.
enum class Blocker {
    HeldByAnotherProgram,
    HeldUnderTheDevicesOwnName,  // the program reaches it through a link
    NoPermission,
    Directory,
    RegularFile,
    Fifo,
    NullDevice,
};

// Resident memory of this process in kB.
qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

QByteArray randomBytes(quint32 seed, qsizetype count)
{
    QRandomGenerator random(seed);
    QByteArray bytes(count, Qt::Uninitialized);
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

// A string literal with the NUL bytes inside it.
template <qsizetype N>
QByteArray bytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

QByteArray byteRange(int first, int last)
{
    QByteArray bytes;
    for (int b = first; b <= last; ++b)
        bytes += char(b);
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(Vanishing)
Q_DECLARE_METATYPE(Blocker)

// Feeds bytes to the program as fast as it takes them, a chunk whenever the
// pseudo-terminal has drained, so that neither side holds the whole stream.
class Stream : public QObject
{
    Q_OBJECT

public:
    // `next` gives the following chunk; an empty one ends the stream.
    Stream(FakeProjector &projector, std::function<QByteArray()> next)
        : m_projector(projector)
        , m_next(std::move(next))
    {
        connect(&projector.terminal(), &SimulatorLine::drained, this, &Stream::feed,
                Qt::QueuedConnection);
    }

    void start() { feed(); }
    [[nodiscard]] bool isDone() const { return m_done; }
    [[nodiscard]] qint64 sent() const { return m_sent; }

private:
    void feed()
    {
        if (m_done)
            return;
        const QByteArray chunk = m_next();
        if (chunk.isEmpty()) {
            m_done = true;
            return;
        }
        m_sent += chunk.size();
        m_projector.send(chunk);
    }

    FakeProjector &m_projector;
    std::function<QByteArray()> m_next;
    bool m_done = false;
    qint64 m_sent = 0;
};

class FaultDrillsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestSettings::useTemporaryStore();
        QVERIFY(m_folder.isValid());
        QVERIFY2(QFileInfo(SimulatorProcess::program()).isExecutable(),
                 qPrintable(SimulatorProcess::program()));
    }

    void init()
    {
        TestSettings::clear();
        m_watcher = std::make_unique<ModalWatcher>();
    }

    void cleanup()
    {
        m_panel.reset();
        m_watcher.reset();
        m_simulator.stopAfterTest();
        m_projector.reset();
        m_other.reset();
        m_modes.restore();
        for (const QString &path : std::as_const(m_directoriesToRemove))
            QDir().rmdir(path);
        m_directoriesToRemove.clear();
    }

    // --- the device vanishes ------------------------------------------------------

    void theDeviceVanishesMidExchange_data()
    {
        QTest::addColumn<Vanishing>("vanishing");
        QTest::addColumn<QString>("reopenWith");  // the dialog button once it is back

        QTest::newRow("the simulator hangs up after its reply, OK")
            << Vanishing::SimulatorHangsUpAfterItsReply << "OK";
        QTest::newRow("the simulator hangs up after its reply, Cancel")
            << Vanishing::SimulatorHangsUpAfterItsReply << "Cancel";
        QTest::newRow("in the middle of a reply") << Vanishing::InTheMiddleOfAReply << "OK";
        QTest::newRow("during a press-and-hold") << Vanishing::DuringAPressAndHold << "Cancel";
        QTest::newRow("just before a frame is written")
            << Vanishing::JustBeforeAFrameIsWritten << "OK";
    }
    void theDeviceVanishesMidExchange()
    {
        QFETCH(Vanishing, vanishing);
        QFETCH(QString, reopenWith);
        const bool simulated = vanishing == Vanishing::SimulatorHangsUpAfterItsReply;
        const QString link = m_folder.filePath(uniqueName("device"));
        TestSettings::mapPort(1, link);
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("192"));
        if (simulated)
            m_simulator.startInTest(link, {"--drop-after", "2"});
        else
            startFakeProjector(link);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(m_panel.startOnCom1(PanelFixture::View::ShownFull));
        QSignalSpy lost(&m_panel.comm(), &MSComm::deviceLost);
        // Pulled out as an adapter is: the device and its link go together
        // (a link left behind could come to lead to another program's pty).
        const auto unplug = [&] {
            m_projector->hangUp();
            QFile::remove(link);
        };

        switch (vanishing) {
        case Vanishing::SimulatorHangsUpAfterItsReply:
            m_panel.click("Power", "On");
            QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral("  [ACK] "), TimeoutMs);
            m_panel.click("Status");  // the second frame: answered, then the line goes dead
            QTRY_VERIFY_WITH_TIMEOUT(m_panel.rxd().endsWith(QLatin1StringView("[CR] ")), TimeoutMs);
            break;
        case Vanishing::InTheMiddleOfAReply:
            m_projector->setResponder(nullptr);
            m_panel.form().exchange().setIntervals({5000, 6000});
            m_panel.click("Status");
            QTRY_COMPARE_WITH_TIMEOUT(m_projector->received(), QByteArray("CR0\r"), TimeoutMs);
            m_projector->send("8");
            QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral(" 8 "), TimeoutMs);
            unplug();
            break;
        case Vanishing::DuringAPressAndHold: {
            QAbstractButton *brighter = m_panel.button("Bright", "Up");
            PanelFixture::sendMouse(brighter, QEvent::MouseButtonPress, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(m_projector->frames().size() >= 2, TimeoutMs);
            unplug();
            QTRY_VERIFY_WITH_TIMEOUT(!m_panel.comm().PortOpen(), TimeoutMs);
            // The repeat goes on against the closed port until the release.
            QTimer *timer1 = &m_panel.form().holdRepeat().timer1();
            QVERIFY(timer1->isActive());
            const QByteArray pending = m_panel.module().pendingCommand;
            QSignalSpy ticks(timer1, &QTimer::timeout);
            QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 3, TimeoutMs);
            PanelFixture::sendMouse(brighter, QEvent::MouseButtonRelease, Qt::LeftButton);
            QVERIFY(!timer1->isActive());
            QCOMPARE(m_panel.module().pendingCommand, pending);
            break;
        }
        case Vanishing::JustBeforeAFrameIsWritten:
            // No turn of the event loop between the hang-up and the write.
            unplug();
            m_panel.click("Status");
            break;
        }
        QTRY_VERIFY_WITH_TIMEOUT(!m_panel.comm().PortOpen(), TimeoutMs);
        QCOMPARE(lost.count(), 1);
        QVERIFY(m_watcher->messageBoxes().isEmpty());

        // Idle afterwards: a port left polling a dead device would spin here.
        const double cpuShare = CpuShare::whileTheEventLoopRuns(500);
        QVERIFY2(cpuShare < 0.2, qPrintable(QStringLiteral("%1 of a core").arg(cpuShare)));

        // Responsive: the buttons, the monitor and the timers go on as usual.
        m_panel.form().exchange().setIntervals({300, 5000});
        m_panel.click("Status");
        QCOMPARE(m_panel.txd(), QStringLiteral(" C R 0  [CR] "));
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), Exchange::NoReplyMark, TimeoutMs);
        bool fired = false;
        const QObject firing;  // no late call into this function's frame
        QTimer::singleShot(10, &firing, [&fired] { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, TimeoutMs);
        QCOMPARE(lost.count(), 1);

        // Back again at the same place: the "COM" dialog reopens it.
        if (simulated) {
            // Gone for good first: it removes its link as it ends.
            QTRY_COMPARE_WITH_TIMEOUT(m_simulator.process().state(), QProcess::NotRunning, TimeoutMs);
            m_simulator.startInTest(link, {});
        } else {
            startFakeProjector(link);
        }
        if (QTest::currentTestFailed())
            return;
        Form2 *dialog = m_panel.pressCom();
        QVERIFY(dialog);
        QCOMPARE(PanelFixture::checkedPorts(dialog), QStringList{"COM1"});
        PanelFixture::press(dialog, reopenWith);
        QTRY_VERIFY_WITH_TIMEOUT(!m_panel.openDialog(), TimeoutMs);
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(m_panel.comm().CommPort(), 1);
        QCOMPARE(m_panel.comm().Settings(), QStringLiteral("19200,N,8,1"));

        m_panel.form().exchange().setIntervals({5000, 6000});
        m_panel.click("Power", "On");
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral("  [ACK] "), TimeoutMs);
        if (simulated)
            QVERIFY(m_simulator.log().contains("C00[CR]  ->  [ACK]"));
        else
            QCOMPARE(m_projector->frames(), QList<QByteArray>{"C00\r"});
        QCOMPARE(TestSettings::value("StartUP", "ComPort"), QStringLiteral("1"));
        QCOMPARE(TestSettings::value("StartUP", "BaudRate"), QStringLiteral("192"));
    }

    // --- the port may not be opened ----------------------------------------------

    void startUpFallsBackWhenThePortMayNotBeOpened_data()
    {
        QTest::addColumn<Blocker>("blocker");
        // What a serial port meets there: the failure this row drills.
        QTest::addColumn<QSerialPort::SerialPortError>("failure");

        // The lock file of the port's name; as root the exclusive mode of the
        // terminal does not stop a second opener, the lock does.
        QTest::newRow("held by another program")
            << Blocker::HeldByAnotherProgram << QSerialPort::PermissionError;
        QTest::newRow("held by another program under the device's own name")
            << Blocker::HeldUnderTheDevicesOwnName << QSerialPort::PermissionError;
        // Opening the device is refused (EACCES).
        QTest::newRow("no permission") << Blocker::NoPermission << QSerialPort::PermissionError;
        // Opening a directory for writing fails (EISDIR).
        QTest::newRow("a directory") << Blocker::Directory << QSerialPort::UnknownError;
        // They open, but are no terminal: setting the line up fails (ENOTTY).
        QTest::newRow("a regular file") << Blocker::RegularFile << QSerialPort::UnsupportedOperationError;
        QTest::newRow("a named pipe") << Blocker::Fifo << QSerialPort::UnsupportedOperationError;
        QTest::newRow("a null device") << Blocker::NullDevice << QSerialPort::UnsupportedOperationError;
    }
    void startUpFallsBackWhenThePortMayNotBeOpened()
    {
        QFETCH(Blocker, blocker);
        QFETCH(QSerialPort::SerialPortError, failure);

        QString device;
        QSerialPort holder;
        std::optional<OrdinaryUser> ordinaryUser;
        switch (blocker) {
        case Blocker::HeldByAnotherProgram:
        case Blocker::HeldUnderTheDevicesOwnName:
            QVERIFY(FakeProjector::openFresh(m_projector));
            device = m_projector->devicePath();
            holder.setPortName(device);
            QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
            if (blocker == Blocker::HeldUnderTheDevicesOwnName) {
                device = m_folder.filePath(uniqueName("link"));
                QVERIFY(TestFiles::relink(device, m_projector->devicePath()));
            }
            break;
        case Blocker::NoPermission:
            QVERIFY(FakeProjector::openFresh(m_projector));
            device = m_projector->devicePath();
            QVERIFY(m_modes.set(device, 0));
            break;
        case Blocker::Directory:
            device = m_folder.filePath(uniqueName("directory"));
            QVERIFY(QDir().mkpath(device));
            break;
        case Blocker::RegularFile: {
            device = m_folder.filePath(uniqueName("file"));
            QFile file(device);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("C00\r");
            break;
        }
        case Blocker::Fifo:
            device = m_folder.filePath(uniqueName("fifo"));
            QVERIFY(::mkfifo(QFile::encodeName(device).constData(), 0666) == 0);
            break;
        case Blocker::NullDevice:
            // A node of its own: the lock of /dev/null itself is shared with
            // every other program that happens to try it at the same moment.
            device = m_folder.filePath(uniqueName("null"));
            if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
                QSKIP("making a device node needs root");
            break;
        }
        TestSettings::mapPort(1, device);
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("96"));
        const QByteArray storedBefore = TestSettings::storeFileBytes();
        QVERIFY(storedBefore.contains("ComPort=1"));
        if (blocker == Blocker::NoPermission) {
            // The store stays readable for the ordinary user.
            QVERIFY(m_modes.set(QFileInfo(TestSettings::storeFilePath()).path(), 0755));
            QVERIFY(m_modes.set(TestSettings::storeFilePath(), 0644));
            ordinaryUser.emplace();
            if (!ordinaryUser->isActive())
                QSKIP(qPrintable(ordinaryUser->errorString()));
        }
        {
            // As the program opens it: by the device's own name.
            QSerialPort probe;
            probe.setPortName(QFileInfo(device).canonicalFilePath());
            QVERIFY(!probe.open(QIODevice::ReadWrite));
            QCOMPARE(probe.error(), failure);
        }

        struct Seen {
            bool modal = false;
            bool mainWindowVisible = true;
            int messagesBefore = -1;
            QStringList portOptions;
            bool dialogStaysAfterOk = false;
        } seen;
        m_watcher->onModalDialog([&](QWidget *dialog) {
            seen.modal = dialog->isModal() && QApplication::activeModalWidget() == dialog;
            seen.mainWindowVisible = m_panel.form().isVisible();
            seen.messagesBefore = int(m_watcher->messageBoxes().size());
            seen.portOptions = PanelFixture::checkedPorts(dialog);
            QPointer<QWidget> alive = dialog;
            PanelFixture::pressOk(dialog);
            seen.dialogStaysAfterOk = alive && alive->isVisible();
            // Then the close box: start-up finishes with the port closed.
        });
        m_panel.startFromTheStore();
        ordinaryUser.reset();

        QCOMPARE(m_watcher->dialogsAnswered(), 1);
        QVERIFY(seen.modal);
        QVERIFY(!seen.mainWindowVisible);
        QCOMPARE(seen.messagesBefore, 0);
        QCOMPARE(seen.portOptions, QStringList{"COM1"});
        QVERIFY(seen.dialogStaysAfterOk);
        QCOMPARE(m_watcher->messageBoxes(), QList{RetryComport});
        QVERIFY(!m_panel.comm().PortOpen());
        QVERIFY(!m_panel.comm().errorString().isEmpty());
        QCOMPARE(m_panel.form().exchange().timer2().interval(), 5000);
        QCOMPARE(TestSettings::storeFileBytes(), storedBefore);
        if (m_projector)
            QVERIFY(m_projector->received().isEmpty());
    }

    void okOpensThePortOnceTheOtherProgramLetsGo()
    {
        QVERIFY(FakeProjector::openFresh(m_projector));
        QSerialPort holder;
        holder.setPortName(m_projector->devicePath());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        TestSettings::mapPort(1, m_projector->devicePath());
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("96"));

        int messagesAfterFirstOk = -1;
        m_watcher->onModalDialog([&](QWidget *dialog) {
            PanelFixture::pressOk(dialog);
            messagesAfterFirstOk = int(m_watcher->messageBoxes().size());
            holder.close();
            PanelFixture::pressOk(dialog);
        });
        m_panel.startFromTheStore();

        QCOMPARE(messagesAfterFirstOk, 1);
        QCOMPARE(m_watcher->messageBoxes().size(), 1);
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(m_panel.comm().Settings(), QStringLiteral("9600,N,8,1"));
        QVERIFY(m_panel.form().isVisible());
        sendsTo(*m_projector);
        // The program's own failed attempt left no lock behind either.
        QVERIFY(!holder.open(QIODevice::ReadWrite));
    }

    // --- a garbage settings store --------------------------------------------------

    void startUpDecidesFromAGarbageStore_data()
    {
        QTest::addColumn<QByteArray>("garbage");  // written after a valid "Ports" group
        QTest::addColumn<int>("opens");           // COM number opened at start-up; 0: the dialog
        QTest::addColumn<QString>("settings");    // of the port opened at start-up

        const QString fast = QStringLiteral("19200,N,8,1");
        const QString slow = QStringLiteral("9600,N,8,1");
        const QByteArray huge = "1000000000000000000000000000000";  // 10^30

        QTest::newRow("binary port") << QByteArray("[StartUP]\nComPort=\x01\x02\xff\xfe\nBaudRate=96\n")
                                     << 0 << QString();
        QTest::newRow("NUL after the port number")
            << bytes("[StartUP]\nComPort=3\0\0junk\nBaudRate=96\n") << 3 << slow;
        QTest::newRow("port 10^30") << "[StartUP]\nComPort=" + huge + "\nBaudRate=96\n" << 0 << QString();
        QTest::newRow("port -10^30") << "[StartUP]\nComPort=-" + huge + "\n" << 0 << QString();
        QTest::newRow("port of a million digits")
            << "[StartUP]\nComPort=" + QByteArray(1 << 20, '3') + "\n" << 0 << QString();
        QTest::newRow("a line of a megabyte elsewhere")
            << "[Junk]\nx=" + QByteArray(1 << 20, 'x') + "\n[StartUP]\nComPort=3\nBaudRate=96\n" << 3
            << slow;
        QTest::newRow("baud 10^30") << "[StartUP]\nComPort=3\nBaudRate=" + huge + "\n" << 3 << fast;
        QTest::newRow("binary baud")
            << bytes("[StartUP]\nComPort=3\nBaudRate=\x00\x39\x36\xff\n") << 3 << fast;
        QTest::newRow("port as a list") << QByteArray("[StartUP]\nComPort=3, 5\nBaudRate=96\n") << 0
                                        << QString();
        QTest::newRow("baud as a list") << QByteArray("[StartUP]\nComPort=3\nBaudRate=96, 96\n") << 3
                                        << fast;
        QTest::newRow("port as a point") << QByteArray("[StartUP]\nComPort=@Point(3 5)\n") << 0
                                         << QString();
        QTest::newRow("port as a broken variant")
            << QByteArray("[StartUP]\nComPort=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x1)\nBaudRate=96\n")
            << 0 << QString();
        QTest::newRow("baud as a broken variant")
            << QByteArray("[StartUP]\nComPort=3\nBaudRate=@Variant(\\0\\0\\0\\x6\\0\\x39)\n") << 3
            << fast;
        QTest::newRow("port as stored bytes") << QByteArray("[StartUP]\nComPort=@ByteArray(3)\n") << 3
                                              << fast;
        QTest::newRow("keys in another case") << QByteArray("[startup]\ncomport=3\n") << 0 << QString();
        QTest::newRow("NUL bytes") << QByteArray(4096, '\0') << 0 << QString();
        QTest::newRow("random bytes") << randomBytes(8, 16384) << 0 << QString();
    }
    void startUpDecidesFromAGarbageStore()
    {
        QFETCH(QByteArray, garbage);
        QFETCH(int, opens);
        QFETCH(QString, settings);
        QVERIFY(FakeProjector::openFresh(m_projector));
        const QByteArray device = QFile::encodeName(m_projector->devicePath());
        TestSettings::writeStoreFile("[Ports]\nCOM1=" + device + "\nCOM3=" + device + "\n\n" + garbage);
        const QByteArray storedBefore = TestSettings::storeFileBytes();

        // The dialog: COM1 and OK.
        m_watcher->onModalDialog([](QWidget *dialog) {
            PanelFixture::press(dialog, "COM1");
            PanelFixture::pressOk(dialog);
        });
        m_panel.startFromTheStore();

        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QCOMPARE(m_watcher->dialogsAnswered(), opens ? 0 : 1);
        QVERIFY(m_panel.comm().PortOpen());
        if (opens) {
            QCOMPARE(m_panel.comm().CommPort(), opens);
            QCOMPARE(m_panel.comm().Settings(), settings);
            QCOMPARE(TestSettings::storeFileBytes(), storedBefore);  // start-up writes nothing
        } else {
            // OK opened the port and replaced the garbage with what works.
            QCOMPARE(m_panel.comm().CommPort(), 1);
            const QByteArray stored = TestSettings::storeFileBytes();
            QVERIFY2(stored.contains("ComPort=1\n") && stored.contains("BaudRate=192\n"),
                     stored.left(200).constData());
            const auto store = LinkSettings::openStore();
            QCOMPARE(LinkSettings::readPortNumber(*store), 1);
            QCOMPARE(int(LinkSettings::readBaudCode(*store)), 192);
        }
        sendsTo(*m_projector);
    }

    void anUnreadableStoreLeadsToTheDialog_data()
    {
        QTest::addColumn<bool>("directory");  // ORVA.conf is a directory; else: not to be read
        QTest::newRow("no permission to read it") << false;
        QTest::newRow("a directory in its place") << true;
    }
    void anUnreadableStoreLeadsToTheDialog()
    {
        QFETCH(bool, directory);
        QVERIFY(FakeProjector::openFresh(m_projector));
        const QString storeFile = TestSettings::storeFilePath();
        const QByteArray stored = "[Ports]\nCOM1=" + QFile::encodeName(m_projector->devicePath())
            + "\n\n[StartUP]\nComPort=1\nBaudRate=96\n";
        std::optional<OrdinaryUser> ordinaryUser;
        if (directory) {
            QVERIFY(QFile::remove(storeFile));
            QVERIFY(QDir().mkdir(storeFile));
            m_directoriesToRemove << storeFile;
        } else {
            TestSettings::writeStoreFile(stored);
            QVERIFY(m_modes.set(QFileInfo(storeFile).path(), 0755));
            QVERIFY(m_modes.set(storeFile, 0));
            ordinaryUser.emplace();
            if (!ordinaryUser->isActive())
                QSKIP(qPrintable(ordinaryUser->errorString()));
        }
        QCOMPARE(LinkSettings::openStore()->status(), QSettings::AccessError);

        struct Seen {
            bool modal = false;
            int messagesBefore = -1;
            QStringList portOptions{"none seen"};
        } seen;
        m_watcher->onModalDialog([&](QWidget *dialog) {
            seen.modal = dialog->isModal();
            seen.messagesBefore = int(m_watcher->messageBoxes().size());
            seen.portOptions = PanelFixture::checkedPorts(dialog);
        });
        m_panel.startFromTheStore();
        ordinaryUser.reset();

        QCOMPARE(m_watcher->dialogsAnswered(), 1);
        QVERIFY(seen.modal);
        QCOMPARE(seen.messagesBefore, 0);
        QCOMPARE(seen.portOptions, QStringList());
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QVERIFY(!m_panel.comm().PortOpen());
        QCOMPARE(int(m_panel.module().portNumber), 0);
        if (!directory) {
            // Read back as its owner: mode 0 stops everyone but root.
            m_modes.restore();
            QCOMPARE(TestSettings::storeFileBytes(), stored);
        }
    }

    // --- a settings store that cannot be written -----------------------------------

    void okOpensThePortWhenTheStoreCannotBeWritten_data()
    {
        QTest::addColumn<bool>("atStartUp");  // the dialog of start-up, or of the "COM" button
        QTest::newRow("the dialog of start-up") << true;
        QTest::newRow("the dialog of the COM button") << false;
    }
    void okOpensThePortWhenTheStoreCannotBeWritten()
    {
        QFETCH(bool, atStartUp);
        QVERIFY(FakeProjector::openFresh(m_projector));
        QVERIFY(FakeProjector::openFresh(m_other));
        TestSettings::mapPort(1, m_projector->devicePath());
        TestSettings::mapPort(3, m_other->devicePath());
        if (!atStartUp)
            TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("192"));
        const QString storeFile = TestSettings::storeFilePath();
        const QByteArray storedBefore = TestSettings::storeFileBytes();
        // Readable, not writable, and the devices open for anyone.
        QVERIFY(m_modes.set(QFileInfo(storeFile).path(), 0555));
        QVERIFY(m_modes.set(storeFile, 0444));
        QVERIFY(m_modes.set(m_projector->devicePath(), 0666));
        QVERIFY(m_modes.set(m_other->devicePath(), 0666));
        OrdinaryUser ordinaryUser;
        if (!ordinaryUser.isActive())
            QSKIP(qPrintable(ordinaryUser.errorString()));

        auto chooseCom3AndOk = [](QWidget *dialog) {
            PanelFixture::press(dialog, "COM3");
            PanelFixture::pressOk(dialog);
        };
        if (atStartUp) {
            m_watcher->onModalDialog(chooseCom3AndOk);
            m_panel.startFromTheStore();
            QCOMPARE(m_watcher->dialogsAnswered(), 1);
        } else {
            m_panel.startFromTheStore();
            QVERIFY(m_panel.comm().PortOpen());
            Form2 *dialog = m_panel.pressCom();
            QVERIFY(dialog);
            chooseCom3AndOk(dialog);
        }

        QTRY_VERIFY_WITH_TIMEOUT(!m_panel.openDialog(), TimeoutMs);
        QVERIFY(m_watcher->messageBoxes().isEmpty());
        QVERIFY(m_panel.form().isVisible());
        QVERIFY(m_panel.comm().PortOpen());
        QCOMPARE(m_panel.comm().CommPort(), 3);
        // The save really failed, and left the file as it was.
        {
            const auto store = LinkSettings::openStore();
            store->sync();
            QCOMPARE(store->status(), QSettings::AccessError);
        }
        QCOMPARE(TestSettings::storeFileBytes(), storedBefore);
        sendsTo(*m_other);
    }

    // --- a noisy device -------------------------------------------------------------

    void noiseIsShownByTheRenderingRuleAndLeavesTheProgramUsable_data()
    {
        QTest::addColumn<QByteArray>("pattern");  // repeated until `total` bytes are sent
        QTest::addColumn<qint64>("total");

        QTest::newRow("NUL bytes") << QByteArray(64, '\0') << qint64(256);
        QTest::newRow("bytes 0x80 to 0xFF") << byteRange(0x80, 0xFF) << qint64(128);
        QTest::newRow("every byte value") << byteRange(0x00, 0xFF) << qint64(1024);
        QTest::newRow("random noise") << randomBytes(5, 4096) << qint64(4096);
        // More than the receive buffer holds.
        QTest::newRow("a flood") << randomBytes(9, 4096) << qint64(1 << 20);
        QTest::newRow("a reply that never ends") << QByteArray(4096, '0') << qint64(1 << 19);
    }
    void noiseIsShownByTheRenderingRuleAndLeavesTheProgramUsable()
    {
        QFETCH(QByteArray, pattern);
        QFETCH(qint64, total);
        QVERIFY(FakeProjector::openFresh(m_projector));
        TestSettings::mapPort(1, m_projector->devicePath());
        QVERIFY(m_panel.startOnCom1(PanelFixture::View::ShownFull));
        // The reply window stays open: the whole stream lands in one buffer.
        m_panel.form().exchange().setIntervals({60000, 60000});

        // After every receive event the RxD line is the rendering of the buffer.
        const Exchange &exchange = m_panel.form().exchange();
        qsizetype largestBuffer = 0;
        int receiveEvents = 0;
        int mismatches = 0;
        QString rendered;  // of the buffer as it was at the last check
        qsizetype renderedSize = -1;
        const QObject watching;  // ends the check with this function
        connect(&m_panel.comm(), &MSComm::OnComm, &watching, [&] {
            ++receiveEvents;
            const QByteArray &buffer = exchange.receiveBuffer();
            largestBuffer = qMax(largestBuffer, buffer.size());
            // A full buffer stays as it is: no need to render it again (and
            // the test's own garbage would drown the program's in the memory check).
            if (buffer.size() != renderedSize) {
                rendered = MonitorRendering::render(buffer);
                renderedSize = buffer.size();
            }
            if (m_panel.rxd() != rendered)
                ++mismatches;
        });
        QSignalSpy receiving(&m_panel.comm(), &MSComm::OnComm);

        m_panel.click("Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_projector->received(), QByteArray("CR0\r"), TimeoutMs);
        const qint64 residentBefore = residentKb();
        qint64 left = total;
        Stream stream(*m_projector, [&]() -> QByteArray {
            const qint64 size = qMin<qint64>(left, pattern.size());
            left -= size;
            return pattern.left(size);
        });
        stream.start();
        QTRY_VERIFY_WITH_TIMEOUT(stream.isDone() && m_projector->terminal().pendingBytes() == 0, 60000);
        // Whatever is still in transit arrives.
        for (int i = 0; i < 100 && receiving.wait(300); ++i) {
        }

        QCOMPARE(stream.sent(), total);
        QVERIFY(receiveEvents > 0);
        QCOMPARE(mismatches, 0);
        QCOMPARE(largestBuffer, qMin<qsizetype>(total, ReceiveBuffer::Capacity));
        // Byte for byte what was sent, up to the bound.
        const QByteArray expected =
            pattern.repeated(ReceiveBuffer::Capacity / pattern.size() + 1).left(largestBuffer);
        QVERIFY(exchange.receiveBuffer() == expected);
        QVERIFY(m_panel.rxd() == MonitorRendering::render(exchange.receiveBuffer()));
        const qint64 grownKb = residentKb() - residentBefore;
        if (ResidentSizeTellsWhatIsKept)
            QVERIFY2(grownKb < 50 * 1024, qPrintable(QStringLiteral("grew by %1 kB").arg(grownKb)));

        // The device behaves again: the next command goes out and its reply is read.
        m_projector->clearReceived();
        m_projector->setResponder([](const QByteArray &frame) {
            return frame == "CR0\r" ? QByteArray("80\r") : QByteArray();
        });
        m_panel.click("Status");
        QTRY_COMPARE_WITH_TIMEOUT(m_projector->received(), QByteArray("CR0\r"), TimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_panel.rxd(), QStringLiteral(" 8 0  [CR] "), TimeoutMs);
        QCOMPARE(m_panel.status(), QStringLiteral(" Stand by"));
    }

private:
    static QString uniqueName(const QString &stem)
    {
        static int count = 0;
        return stem + u'-' + QString::number(++count);
    }

    // A fresh fake projector, reached through `link`.
    void startFakeProjector(const QString &link)
    {
        QVERIFY(FakeProjector::openFresh(m_projector));
        m_projector->emulateProjector();
        QVERIFY(TestFiles::relink(link, m_projector->devicePath()));
    }

    // The port in force reaches `projector`.
    void sendsTo(FakeProjector &projector)
    {
        projector.clearReceived();
        m_panel.click("Power", "On");
        QTRY_COMPARE_WITH_TIMEOUT(projector.received(), QByteArray("C00\r"), TimeoutMs);
    }

    QTemporaryDir m_folder;
    std::unique_ptr<ModalWatcher> m_watcher;
    SimulatorProcess m_simulator;
    std::unique_ptr<FakeProjector> m_projector;
    std::unique_ptr<FakeProjector> m_other;
    TestFiles::Modes m_modes;
    QStringList m_directoriesToRemove;
    PanelFixture m_panel;
};

QTEST_MAIN(FaultDrillsTest)
#include "tst_faultdrills.moc"
