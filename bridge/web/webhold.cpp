#include "bridge/web/webhold.h"

#include "bridge/projector/projectorservice.h"

WebHold::WebHold(QObject *parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(Interval);
    connect(&m_timer, &QTimer::timeout, this, &WebHold::sendOnce);
}

void WebHold::start(ProjectorService &service, const ProjectorAction &action)
{
    m_service = &service;
    m_action = action;
    m_heard.start();
    m_timer.start();
    sendOnce();
}

void WebHold::stop()
{
    m_timer.stop();
}

void WebHold::sendOnce()
{
    if (m_heard.hasExpired(Silence.count())) {
        stop();
        return;
    }
    if (!m_service || m_waiting)
        return;
    m_waiting = true;
    m_service->perform({m_action}, ProjectorService::Origin::Web, this, [this](ActionOutcome) { m_waiting = false; });
}
