#pragma once

#include "ctl/ctlplan.h"
#include "ctl/exitstatus.h"

#include <QList>
#include <QObject>

class PortSession;
class ResultPrinter;

// The commands to every port at once, on one event loop: a session for each
// port, opened together; the run ends when the last one is done. A port
// refused before the run (a bad line of a ports file) fails alone.
class FanOut : public QObject
{
    Q_OBJECT

public:
    FanOut(const CtlPlan &plan, const QList<PortChoice> &ports, const QString &serialParameters,
           ResultPrinter &printer, QObject *parent = nullptr);

    // Runs the event loop until every session is done; the worst status.
    [[nodiscard]] ExitStatus::Code exec();

private:
    struct Run {
        PortChoice port;
        PortSession *session = nullptr;
        bool done = false;
    };

    void open(Run &run);
    void finish(Run &run, ExitStatus::Code status);

    ResultPrinter &m_printer;
    QList<Run> m_runs;
    ExitStatus::Code m_worst = ExitStatus::Success;
};
