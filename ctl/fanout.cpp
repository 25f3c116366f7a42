#include "ctl/fanout.h"

#include "ctl/portsession.h"
#include "ctl/resultprinter.h"

#include <QCoreApplication>

FanOut::FanOut(const CtlPlan &plan, const QList<PortChoice> &ports, const QString &serialParameters,
               ResultPrinter &printer, QObject *parent)
    : QObject(parent)
{
    for (const PortChoice &port : ports) {
        auto *session = new PortSession(port, serialParameters, plan.commands,
                                        std::chrono::milliseconds(plan.timeoutMs), this);
        connect(session, &PortSession::exchanged, &printer, &ResultPrinter::printExchange);
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
    ExitStatus::Code worst = ExitStatus::Success;
    for (const PortSession *session : m_sessions)
        worst = ExitStatus::worse(worst, session->status());
    return worst;
}

void FanOut::interrupt(const QString &signalName)
{
    for (PortSession *session : m_sessions)
        session->interrupt(signalName);
    QCoreApplication::quit();
}

void FanOut::sessionFinished()
{
    for (const PortSession *session : m_sessions) {
        if (!session->isFinished())
            return;
    }
    QCoreApplication::quit();
}
