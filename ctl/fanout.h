#pragma once

#include "ctl/ctlplan.h"
#include "ctl/exitstatus.h"

#include <QList>
#include <QObject>

class PortSession;
class ResultPrinter;

// The commands to every port at once, on one event loop: a session for each
// port, started together; the run ends when the last one has finished.
class FanOut : public QObject
{
    Q_OBJECT

public:
    FanOut(const CtlPlan &plan, const QList<PortChoice> &ports, const QString &serialParameters,
           ResultPrinter &printer, QObject *parent = nullptr);

    // Runs the event loop until every session has finished; the worst status.
    [[nodiscard]] ExitStatus::Code exec();
    // Ends every session still running (each says so) and the run.
    void interrupt(const QString &signalName);

private:
    void sessionFinished();

    QList<PortSession *> m_sessions;
};
