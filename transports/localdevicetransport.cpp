#include "transports/localdevicetransport.h"

#include "devices/openfailure.h"
#include "transports/portname.h"

#include <QFileInfo>

namespace {

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

LocalDeviceTransport::LocalDeviceTransport(const QString &device, QObject *parent)
    : PortTransport(parent)
    , m_device(device)
{
    m_port.setReadBufferSize(InBufferSize);
    connect(&m_port, &QSerialPort::readyRead, this, &PortTransport::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &LocalDeviceTransport::handleError);
}

LocalDeviceTransport::~LocalDeviceTransport()
{
    close();
}

bool LocalDeviceTransport::open(const SerialParameters &parameters)
{
    // A link may lead to a name no lock can be taken for.
    const QString own = ownName(m_device);
    if (QString problem = PortName::deviceProblem(own); !problem.isEmpty()) {
        setErrorString(problem);
        return false;
    }
    m_port.setPortName(own);
    m_port.setBaudRate(parameters.baudRate);
    m_port.setParity(toQt(parameters.parity));
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(parameters.dataBits));
    m_port.setStopBits(toQt(parameters.stopBits));
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    // DTR and RTS are left exactly as the driver has them.
    if (!m_port.open(QIODevice::ReadWrite)) {
        setErrorString(OpenFailure::explain(
            OpenFailure::factsFor(m_port.error(), m_device, m_port.errorString())));
        m_port.clearError();
        return false;
    }
    setErrorString({});
    return true;
}

void LocalDeviceTransport::discardInput()
{
    // The driver's queue as well as what the port has read already.
    if (m_port.isOpen())
        (void)m_port.clear(QSerialPort::Input);
}

void LocalDeviceTransport::close()
{
    if (m_port.isOpen())
        m_port.close();
}

void LocalDeviceTransport::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return;
    m_port.write(bytes);
    // Put the frame on the wire now rather than at the next turn of the event loop.
    m_port.flush();
}

void LocalDeviceTransport::handleError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        // The device went away (an adapter pulled out, the far end of a
        // pseudo-terminal closed). The port would report this in a tight loop
        // until closed, so close it now.
        if (m_port.isOpen()) {
            // The system's words for it are of the call that failed
            // ("Inappropriate ioctl for device"), not of what happened.
            setErrorString(tr("the device was unplugged, or closed at its far end"));
            m_port.close();
            emit lost();
        }
        return;
    default:
        // Errors of opening are reported by open(); the rest are ignored, as
        // communication errors are.
        return;
    }
}
