#include "support/fakeprojector.h"

#ifdef Q_OS_WIN
#include "sim/networkline.h"
#else
#include "sim/pseudoterminal.h"
#endif

namespace {

std::unique_ptr<SimulatorLine> deviceLine()
{
#ifdef Q_OS_WIN
    return std::make_unique<NetworkLine>(NetworkLine::Protocol::RawTcp, QHostAddress(QHostAddress::LocalHost), 0);
#else
    return std::make_unique<PseudoTerminal>();
#endif
}

} // namespace

FakeProjector::FakeProjector(QObject *parent)
    : QObject(parent)
    , m_line(deviceLine())
{
    connect(m_line.get(), &SimulatorLine::received, this, &FakeProjector::take);
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
