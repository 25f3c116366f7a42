#pragma once

#include "bridge/projectoractions.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class ProjectorService;

// An arrow held on a page: its frame at once and every 100 ms until stop(),
// as the panel's hold repeat does, through the projector's queue. The repeat
// runs here, so a page that goes away (its socket, this object's parent,
// closes) stops it. A tick whose previous frame still waits is skipped, so a
// slow line never piles frames up.
class WebHold : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds Interval{100};

    explicit WebHold(QObject *parent = nullptr);

    void start(ProjectorService &service, const ProjectorAction &action);
    void stop();
    [[nodiscard]] bool isHolding() const { return m_timer.isActive(); }

private:
    void sendOnce();

    QPointer<ProjectorService> m_service;
    ProjectorAction m_action;
    QTimer m_timer;
    bool m_waiting = false;
};
