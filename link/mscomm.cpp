#include "link/mscomm.h"

#include "link/linksettings.h"
#include "link/portnames.h"
#include "link/serialparameters.h"

#include <QFileInfo>
#include <QSettings>

namespace {

// Receive and transmit buffers of the serial control, in characters.
constexpr qint64 InBufferSize = 1024;

QSerialPort::Parity toQt(SerialParameters::Parity parity)
{
    switch (parity) {
    case SerialParameters::Parity::None: return QSerialPort::NoParity;
    case SerialParameters::Parity::Even: return QSerialPort::EvenParity;
    case SerialParameters::Parity::Odd: return QSerialPort::OddParity;
    case SerialParameters::Parity::Mark: return QSerialPort::MarkParity;
    case SerialParameters::Parity::Space: return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(SerialParameters::StopBits stopBits)
{
    switch (stopBits) {
    case SerialParameters::StopBits::One: return QSerialPort::OneStop;
    case SerialParameters::StopBits::OneAndHalf: return QSerialPort::OneAndHalfStop;
    case SerialParameters::StopBits::Two: return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

// Serial locks go by the name a port is opened with. A device reached through
// a link is opened by its own name, so that every way to it meets the same lock
// and a port that another program holds is not opened a second time.
QString ownName(const QString &device)
{
#ifdef Q_OS_WIN
    return device;
#else
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return canonical.isEmpty() ? device : canonical;
#endif
}

} // namespace

MSComm::MSComm(QObject *parent)
    : QObject(parent)
{
    m_port.setReadBufferSize(InBufferSize);
    connect(&m_port, &QSerialPort::readyRead, this, &MSComm::readyToRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::handleError);
}

MSComm::~MSComm()
{
    if (m_port.isOpen())
        m_port.close();
}

bool MSComm::setSettings(const QString &settings)
{
    if (!SerialParameters::parse(settings))
        return false;
    m_settings = settings;
    return true;
}

bool MSComm::PortOpen() const
{
    return m_port.isOpen();
}

QString MSComm::deviceName() const
{
    const auto store = LinkSettings::openStore();
    return PortNames::deviceFor(m_commPort, *store);
}

bool MSComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_port.isOpen())
            m_port.close();
        return true;
    }
    if (m_port.isOpen()) {
        m_lastError = tr("Port already open");
        return false;
    }

    const auto parameters = SerialParameters::parse(m_settings).value_or(SerialParameters{});
    m_port.setPortName(ownName(deviceName()));
    m_port.setBaudRate(parameters.baudRate);
    m_port.setParity(toQt(parameters.parity));
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(parameters.dataBits));
    m_port.setStopBits(toQt(parameters.stopBits));
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    // DTR and RTS are left exactly as the driver has them.
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_lastError = m_port.errorString();
        m_port.clearError();
        return false;
    }
    m_commEvent = 0;
    m_lastError.clear();
    return true;
}

void MSComm::Output(const QByteArray &bytes)
{
    if (!m_port.isOpen() || bytes.isEmpty())
        return;
    m_port.write(bytes);
    // Put the frame on the wire now rather than at the next turn of the event loop.
    m_port.flush();
}

QByteArray MSComm::Input()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

void MSComm::readyToRead()
{
    m_commEvent = comEvReceive;
    emit OnComm();
}

void MSComm::handleError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
        return;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        // The device went away (an adapter pulled out, the far end of a
        // pseudo-terminal closed). The port would report this in a tight loop
        // until closed, so close it now.
        if (m_port.isOpen()) {
            m_lastError = m_port.errorString();
            m_port.close();
            emit deviceLost();
        }
        return;
    default:
        // Errors of opening are reported by setPortOpen; the rest are ignored,
        // as communication errors are.
        return;
    }
}
