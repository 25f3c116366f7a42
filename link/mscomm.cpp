#include "link/mscomm.h"

#include "transports/localdevicetransport.h"
#include "link/portnames.h"
#include "transports/networktransport.h"
#include "rfc2217/serialparameters.h"

#include <QFileInfo>

namespace {

// How often to look whether a lost device is back: quick enough to feel
// immediate, rare enough to cost nothing.
constexpr int ReturnWatchMs = 250;

PortTransport *makeTransport(const PortTarget &target, QObject *parent)
{
    switch (target.kind) {
    case PortTarget::Kind::Device: return new LocalDeviceTransport(target.device, parent);
    case PortTarget::Kind::RawTcp:
    case PortTarget::Kind::Rfc2217: return new NetworkTransport(target, parent);
    case PortTarget::Kind::Invalid: break;
    }
    return nullptr;
}

} // namespace

MSComm::MSComm(QObject *parent)
    : QObject(parent)
{
    m_returnWatch.setInterval(ReturnWatchMs);
    connect(&m_returnWatch, &QTimer::timeout, this, &MSComm::lookForLostDevice);
}

MSComm::~MSComm()
{
    if (m_transport)
        m_transport->close();
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
    return m_transport && m_transport->isOpen();
}

QString MSComm::deviceName() const
{
    return m_portEntry.isEmpty() ? PortNames::defaultDevice(m_commPort) : m_portEntry;
}

bool MSComm::setPortOpen(bool open)
{
    const bool waiting = m_returnWatch.isActive();
    m_returnWatch.stop();
    if (!open) {
        const bool wasOpen = PortOpen();
        if (m_transport)
            m_transport->close();
        if (wasOpen || waiting)
            emit closed();
        return true;
    }
    if (PortOpen()) {
        m_lastError = tr("Port already open");
        return false;
    }

    const bool ok = openTarget(PortTarget::fromEntry(deviceName()));
    if (ok)
        emit opened();
    return ok;
}

bool MSComm::openTarget(const PortTarget &target)
{
    m_target = target;
    dropTransport();
    m_transport = makeTransport(target, this);
    if (!m_transport) {
        m_lastError = target.problem;
        return false;
    }
    connect(m_transport, &PortTransport::readyRead, this, &MSComm::readyToRead);
    connect(m_transport, &PortTransport::lost, this, &MSComm::transportLost);

    const auto parameters = SerialParameters::parse(m_settings).value_or(SerialParameters{});
    if (!m_transport->open(parameters)) {
        m_lastError = m_transport->errorString();
        dropTransport();
        return false;
    }
    m_commEvent = 0;
    m_lastError.clear();
    return true;
}

void MSComm::Output(const QByteArray &bytes)
{
    if (!PortOpen() || bytes.isEmpty())
        return;
    m_transport->write(bytes);
}

QByteArray MSComm::Input()
{
    return PortOpen() ? m_transport->readAll() : QByteArray();
}

void MSComm::discardInput()
{
    if (PortOpen())
        m_transport->discardInput();
}

void MSComm::readyToRead()
{
    m_commEvent = comEvReceive;
    emit OnComm();
}

void MSComm::transportLost()
{
    m_lastError = m_transport ? m_transport->errorString() : QString();
    // A device that was unplugged is opened again when it is back, as it was
    // (the same name: its link or its path). A network port is not redialled.
    if (m_reopensReturningDevice && m_target.kind == PortTarget::Kind::Device)
        m_returnWatch.start();
    emit deviceLost();
}

void MSComm::lookForLostDevice()
{
    // A link that leads nowhere does not exist; nor does an unplugged device.
    if (!QFileInfo::exists(m_target.device))
        return;
    const QString whyLost = m_lastError;
    if (!openTarget(m_target)) {
        // Not ready yet (its permissions may still be on their way): look again.
        m_lastError = whyLost;
        return;
    }
    m_returnWatch.stop();
    emit deviceReturned();
}

// The transport may be in the middle of one of its own signals: it goes
// once control is back in the event loop.
void MSComm::dropTransport()
{
    if (!m_transport)
        return;
    m_transport->disconnect(this);
    m_transport->close();
    m_transport->deleteLater();
    m_transport = nullptr;
}
