#include "log/exchangerecorder.h"

#include "exchange/exchange.h"

#include <QDateTime>

namespace {

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

ExchangeRecorder::ExchangeRecorder(Exchange &exchange, QObject *parent)
    : QObject(parent)
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

void ExchangeRecorder::clear()
{
    m_ring.clear();
    emit changed();
}
