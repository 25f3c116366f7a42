#include "ctl/fanout.h"

#include "ctl/resultprinter.h"
#include "session/portsession.h"

#include <QCoreApplication>

FanOut::FanOut(const CtlPlan &plan, const QList<PortChoice> &ports, const QString &serialParameters,
               ResultPrinter &printer, QObject *parent)
    : QObject(parent)
{
    for (const PortChoice &port : ports) {
        auto *session = new PortSession(SessionPort{port.label, port.comNumber, port.entry}, serialParameters,
                                        plan.commands, std::chrono::milliseconds(plan.timeoutMs), this);
        connect(session, &PortSession::exchanged, &printer, &ResultPrinter::printExchange);
        connect(session, &PortSession::exchanged, this, [this](const ExchangeResult &result) {
            m_worst = ExitStatus::worse(m_worst, ExitStatus::of(result.outcome));
        });
        connect(session, &PortSession::problem, &printer, &ResultPrinter::printProblem);
        connect(session, &PortSession::finished, this, &FanOut::sessionFinished);
        m_sessions.append(session);
    }
}

ExitStatus::Code FanOut::exec()
{
    // Each from the event loop: a network port's connection is awaited with
    // the loop running, so the next session starts meanwhile instead of after.
    for (PortSession *session : m_sessions)
        QMetaObject::invokeMethod(session, &PortSession::start, Qt::QueuedConnection);
    QCoreApplication::exec();
    for (const PortSession *session : m_sessions) {
        if (session->ending() != PortSession::Ending::Done)
            m_worst = ExitStatus::worse(m_worst, ExitStatus::PortFailed);
    }
    return m_worst;
}

void FanOut::sessionFinished()
{
    for (const PortSession *session : m_sessions) {
        if (!session->isFinished())
            return;
    }
    QCoreApplication::quit();
}
