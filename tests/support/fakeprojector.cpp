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

ProjectorModel &FakeProjector::emulateProjector(ProjectorModel::Timing timing)
{
    m_model = std::make_unique<ProjectorModel>(timing);
    m_clock.start();
    setResponder([this](const QByteArray &frame) {
        return m_model->answer(frame.chopped(1), ProjectorModel::Duration(m_clock.elapsed()));
    });
    return *m_model;
}

void FakeProjector::take(const QByteArray &bytes)
{
    m_received += bytes;
    const QList<QByteArray> frames = m_splitter.take(bytes);
    if (!m_responder)
        return;
    for (const QByteArray &text : frames) {
        const QByteArray answer = m_responder(text + '\r');
        if (!answer.isEmpty())
            send(answer);
    }
}
