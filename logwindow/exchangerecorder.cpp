#include "logwindow/exchangerecorder.h"

#include "exchange/exchange.h"
#include "link/mscomm.h"

#include <QDateTime>

namespace {

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

ExchangeRecorder::ExchangeRecorder(QObject *parent)
    : QObject(parent)
{
}

ExchangeRecorder::ExchangeRecorder(Exchange &exchange, MSComm &comm, QObject *parent)
    : QObject(parent)
{
    listenTo(exchange);
    listenTo(comm);
}

void ExchangeRecorder::listenTo(Exchange &exchange)
{
    connect(&exchange, &Exchange::frameTransmitted, this,
            [this](const QByteArray &frame, const TransmitOrigin &origin, bool written) {
                m_ring.transmit(now(), origin, frame, written);
                emit changed();
            });
    connect(&exchange, &Exchange::bytesReceived, this, [this](const QByteArray &bytes) {
        m_ring.receive(now(), bytes);
        emit changed();
    });
    connect(&exchange, &Exchange::statusWritten, this, [this](const QString &text) {
        m_ring.statusWritten(text);
        emit changed();
    });
    connect(&exchange, &Exchange::replyWindowClosed, this, [this](bool replied) {
        m_ring.replyWindowClosed(now(), replied);
        emit changed();
    });
}

void ExchangeRecorder::listenTo(MSComm &comm)
{
    m_comm = &comm;
    connect(&comm, &MSComm::opened, this, [this, &comm] {
        m_closingBy.clear();
        recordPort(PortEvent::Opened, tr("opened %1").arg(describePort(comm)));
    });
    connect(&comm, &MSComm::closed, this, [this] {
        const QString by = std::exchange(m_closingBy, {});
        recordPort(PortEvent::Closed, by.isEmpty() ? tr("closed") : tr("closed by %1").arg(by));
    });
    connect(&comm, &MSComm::deviceLost, this, [this, &comm] {
        const QString why = comm.errorString();
        recordPort(PortEvent::Lost, why.isEmpty() ? tr("lost") : tr("lost: %1").arg(why));
    });
    connect(&comm, &MSComm::deviceReturned, this, [this, &comm] {
        recordPort(PortEvent::Reopened, tr("reopened by itself: %1").arg(describePort(comm)));
    });
}

void ExchangeRecorder::recordPort(PortEvent event, const QString &words)
{
    m_ring.portEvent(now(), event, words);
    emit changed();
}

void ExchangeRecorder::clear()
{
    m_ring.clear();
    emit changed();
}

QString ExchangeRecorder::describePort(const MSComm &comm)
{
    const QString speed = comm.Settings().section(QLatin1Char(','), 0, 0);
    return tr("COM%1 (%2) at %3 baud").arg(comm.CommPort()).arg(comm.deviceName(), speed);
}

QString ExchangeRecorder::portNow() const
{
    if (!m_comm)
        return {};
    const QString port = describePort(*m_comm);
    return m_comm->PortOpen() ? port : tr("%1, closed").arg(port);
}
