#include "ctl/fanout.h"

#include "ctl/resultprinter.h"
#include "session/portsession.h"

#include <QCoreApplication>

FanOut::FanOut(const CtlPlan &plan, const QList<PortChoice> &ports, const QString &serialParameters,
               ResultPrinter &printer, QObject *parent)
    : QObject(parent)
    , m_printer(printer)
{
    m_runs.reserve(ports.size());
    for (const PortChoice &port : ports) {
        Run &run = m_runs.emplace_back(Run{port});
        if (!port.problem.isEmpty())
            continue;
        auto *session = new PortSession(SessionPort{port.label, port.comNumber, port.entry}, serialParameters,
                                        std::chrono::milliseconds(plan.timeoutMs), this);
        run.session = session;
        for (const CtlPlan::Command &command : plan.commands)
            session->submit(command);
        const qsizetype index = m_runs.size() - 1;
        connect(session, &PortSession::exchanged, this, [this](const ExchangeResult &result) {
            m_printer.printExchange(result);
            m_worst = ExitStatus::worse(m_worst, ExitStatus::of(result.outcome));
        });
        connect(session, &PortSession::problem, this, [this, index](const QString &, const QString &message) {
            m_printer.printProblem(m_runs[index].port, message);
        });
        connect(session, &PortSession::idle, this, [this, index] { finish(m_runs[index], ExitStatus::Success); });
        connect(session, &PortSession::lost, this,
                [this, index] { finish(m_runs[index], ExitStatus::PortFailed); });
    }
}

ExitStatus::Code FanOut::exec()
{
    bool waiting = false;
    for (Run &run : m_runs) {
        if (!run.session) {
            m_printer.printProblem(run.port, run.port.problem);
            finish(run, ExitStatus::PortFailed);
            continue;
        }
        // Each from the event loop: a network port's connection is awaited
        // with the loop running, so the next opens meanwhile instead of after.
        QMetaObject::invokeMethod(this, [this, &run] { open(run); }, Qt::QueuedConnection);
        waiting = true;
    }
    if (waiting)
        QCoreApplication::exec();
    return m_worst;
}

void FanOut::interrupt(const QString &signalName)
{
    for (Run &run : m_runs) {
        if (run.done || !run.session)
            continue;
        run.done = true;
        run.session->interrupt(signalName);
    }
    QCoreApplication::quit();
}

void FanOut::open(Run &run)
{
    // Interrupted before its turn, or while a network port was connected.
    if (run.done)
        return;
    if (!run.session->open()) {
        if (run.done)
            return;
        m_printer.printProblem(run.port,
                               tr("the port did not open: %1").arg(run.session->errorString()));
        finish(run, ExitStatus::PortFailed);
    }
}

void FanOut::finish(Run &run, ExitStatus::Code status)
{
    if (run.done)
        return;
    run.done = true;
    m_worst = ExitStatus::worse(m_worst, status);
    if (run.session)
        run.session->close();
    for (const Run &other : std::as_const(m_runs)) {
        if (!other.done)
            return;
    }
    QCoreApplication::quit();
}
