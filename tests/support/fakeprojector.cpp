#include "support/fakeprojector.h"

FakeProjector::FakeProjector(QObject *parent)
    : QObject(parent)
{
    connect(&m_terminal, &PseudoTerminal::received, this, &FakeProjector::take);
}

QList<QByteArray> FakeProjector::frames() const
{
    QList<QByteArray> result = m_received.split('\r');
    result.removeLast();  // whatever follows the last CR is not a frame yet
    for (QByteArray &frame : result)
        frame += '\r';
    return result;
}

void FakeProjector::take(const QByteArray &bytes)
{
    m_received += bytes;
    if (!m_responder)
        return;
    m_partialFrame += bytes;
    qsizetype end;
    while ((end = m_partialFrame.indexOf('\r')) >= 0) {
        const QByteArray frame = m_partialFrame.left(end + 1);
        m_partialFrame.remove(0, end + 1);
        const QByteArray answer = m_responder(frame);
        if (!answer.isEmpty())
            send(answer);
    }
}
