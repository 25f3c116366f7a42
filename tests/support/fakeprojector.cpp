#include "support/fakeprojector.h"

#ifdef Q_OS_WIN
#include "sim/networkline.h"
#else
#include "sim/pseudoterminal.h"
#endif

#include <QTest>

#include <utility>

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
#ifdef Q_OS_WIN
    , m_partnered(false)
#else
    , m_partnered(true)
#endif
{
    connect(m_line.get(), &SimulatorLine::received, this, &FakeProjector::take);
    connect(m_line.get(), &SimulatorLine::partnerCame, this, &FakeProjector::partnerCame);
#ifdef Q_OS_WIN
    // A pseudo-terminal keeps bytes for the next opening; a connection does not.
    connect(m_line.get(), &SimulatorLine::partnerGone, this, [this] { m_partnered = false; });
#endif
}

void FakeProjector::send(QByteArrayView bytes)
{
    if (m_partnered)
        m_line->write(bytes);
    else
        m_unsent += bytes;
}

void FakeProjector::hangUp()
{
    // A connection still waiting to be taken could outlive the listener's
    // close (it does under Wine), so it is taken first.
    static_cast<void>(QTest::qWaitFor([this] { return m_partnered; }, 5000));
    m_line->close();
    m_unsent.clear();
}

void FakeProjector::partnerCame()
{
    m_partnered = true;
    if (!m_unsent.isEmpty())
        m_line->write(std::exchange(m_unsent, {}));
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
