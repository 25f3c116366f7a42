#include "sim/projectorsimulator.h"

#include "sim/exchangelog.h"
#include "sim/networkline.h"
#include "sim/pseudoterminal.h"

#include <QTime>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int FloodIntervalMs = 10;
// Lets the program read the last reply before its device goes away.
constexpr ProjectorModel::Duration HangUpGrace{100};

std::unique_ptr<SimulatorLine> makeLine(const SimulatorOptions &options)
{
    switch (options.listening) {
    case SimulatorOptions::Listening::None:
        break;
    case SimulatorOptions::Listening::RawTcp:
        return std::make_unique<NetworkLine>(NetworkLine::Protocol::RawTcp,
                                             QHostAddress(options.listenAddress), options.listenPort);
    case SimulatorOptions::Listening::Rfc2217:
        return std::make_unique<NetworkLine>(NetworkLine::Protocol::Rfc2217,
                                             QHostAddress(options.listenAddress), options.listenPort);
    }
    return std::make_unique<PseudoTerminal>();
}

} // namespace

ProjectorSimulator::ProjectorSimulator(const SimulatorOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_line(makeLine(options))
    , m_model(options.timing)
    , m_behaviour(options)
    , m_log([](const QString &line) {
        std::fprintf(stderr, "%s\n", qPrintable(line));
        std::fflush(stderr);
    })
{
    m_clock.start();
    m_sendTimer.setSingleShot(true);
    connect(&m_sendTimer, &QTimer::timeout, this, &ProjectorSimulator::sendDue);
    m_floodTimer.setInterval(FloodIntervalMs);
    connect(&m_floodTimer, &QTimer::timeout, this, &ProjectorSimulator::sendFlood);
    connect(m_line.get(), &SimulatorLine::received, this, &ProjectorSimulator::take);
    connect(m_line.get(), &SimulatorLine::note, this, &ProjectorSimulator::logEvent);
    connect(m_line.get(), &SimulatorLine::lineSet, this, &ProjectorSimulator::logLineSpeed);
    connect(m_line.get(), &SimulatorLine::partnerGone, this, [this] { m_splitter.clear(); });
}

bool ProjectorSimulator::open()
{
    if (!m_line->open())
        return false;
    if (m_options.flood) {
        logEvent(QStringLiteral("flooding the line"));
        m_floodTimer.start();
    }
    return true;
}

ProjectorModel::Duration ProjectorSimulator::now() const
{
    return ProjectorModel::Duration(m_clock.elapsed());
}

void ProjectorSimulator::take(const QByteArray &bytes)
{
    logLineSpeed();
    for (const QByteArray &frame : m_splitter.take(bytes)) {
        // An unplugged device hears nothing more.
        if (m_behaviour.hungUp() || !m_line->isOpen())
            return;
        answer(frame);
    }
}

// Logged when the program's bytes arrive, as a line set in between cannot be
// seen on a pseudo-terminal, and as soon as a network line is set.
void ProjectorSimulator::logLineSpeed()
{
    const std::optional<qint32> speed = m_line->lineSpeed();
    if (!speed || speed == m_loggedSpeed)
        return;
    m_loggedSpeed = speed;
    logEvent(QStringLiteral("line at %1 baud").arg(*speed));
}

void ProjectorSimulator::answer(const QByteArray &frameText)
{
    const ProjectorModel::Duration arrival = now();
    const QByteArray reply = m_model.answer(frameText, arrival);
    const QList<LineBehaviour::Delivery> deliveries = m_behaviour.deliveries(reply);
    const bool last = m_behaviour.countFrame();

    QString answer = describe(deliveries, m_options);
    if (m_options.silent)
        answer = QStringLiteral("(silent; would answer %1)").arg(ExchangeLog::spellOut(reply));
    log(ExchangeLog::frameLine(QTime::currentTime(), frameText, answer));

    ProjectorModel::Duration end = arrival;
    for (const LineBehaviour::Delivery &d : deliveries) {
        schedule({arrival + d.after, d.bytes});
        end = std::max(end, arrival + d.after);
    }
    if (last)
        schedule({end + HangUpGrace, {}, true});
}

QString ProjectorSimulator::describe(const QList<LineBehaviour::Delivery> &deliveries,
                                     const SimulatorOptions &options)
{
    QByteArray reply;
    QString noise;
    for (const LineBehaviour::Delivery &d : deliveries) {
        if (d.noise)
            noise = ExchangeLog::spellOut(d.bytes);
        else
            reply += d.bytes;
    }
    QString text = ExchangeLog::spellOut(reply);
    if (options.delay.count() > 0)
        text += QStringLiteral("  (after %1 ms)").arg(options.delay.count());
    if (options.split)
        text += QStringLiteral("  (a byte at a time)");
    if (!noise.isEmpty())
        text += QStringLiteral("  then noise %1").arg(noise);
    return text;
}

// Pieces due at the same time keep the order in which they were planned.
void ProjectorSimulator::schedule(Pending pending)
{
    const auto at = std::upper_bound(m_pending.begin(), m_pending.end(), pending.due,
                                     [](ProjectorModel::Duration due, const Pending &p) {
                                         return due < p.due;
                                     });
    m_pending.insert(at, std::move(pending));
    sendDue();
}

void ProjectorSimulator::sendDue()
{
    const ProjectorModel::Duration t = now();
    while (!m_pending.isEmpty() && m_pending.first().due <= t) {
        const Pending p = m_pending.takeFirst();
        if (p.hangUp) {
            hangUp();
            return;
        }
        m_line->write(p.bytes);
    }
    if (!m_pending.isEmpty())
        m_sendTimer.start(int((m_pending.first().due - t).count()));
}

// Only when what was sent before has gone: a stream nobody reads must not
// pile up here.
void ProjectorSimulator::sendFlood()
{
    if (m_line->isOpen() && m_line->pendingBytes() == 0)
        m_line->write(m_behaviour.floodChunk());
}

void ProjectorSimulator::hangUp()
{
    m_pending.clear();
    m_sendTimer.stop();
    m_floodTimer.stop();
    m_line->close();
    logEvent(QStringLiteral("hung up after %1 frames").arg(m_behaviour.frames()));
    emit hungUp();
}

void ProjectorSimulator::log(const QString &line) const
{
    if (m_log)
        m_log(line);
}

void ProjectorSimulator::logEvent(const QString &event) const
{
    log(ExchangeLog::eventLine(QTime::currentTime(), event));
}
