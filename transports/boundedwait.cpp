#include "transports/boundedwait.h"

#include <QEventLoop>
#include <QTimer>

bool BoundedWait::wait(std::chrono::milliseconds limit)
{
    if (m_finished)
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(limit);
    m_loop = &loop;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_loop = nullptr;
    return m_finished;
}

void BoundedWait::finish()
{
    m_finished = true;
    if (m_loop)
        m_loop->quit();
}
