#pragma once

#include "bridge/projector/projectoractions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class ProjectorService;

// An arrow held on a page: its frame at once and every 100 ms until stop(),
// as the panel's hold repeat does, through the projector's queue. The repeat
// runs here, so a page that goes away (its socket, this object's parent,
// closes) stops it; so does a page that stops saying the arrow is still held
// (a phone that sleeps without closing its connection). A tick whose
// previous frame still waits is skipped, so a slow line never piles frames up.
class WebHold : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds Interval{100};
    // The page says "still held" every 250 ms; silence this long ends the hold.
    static constexpr std::chrono::milliseconds Silence{1000};

    explicit WebHold(QObject *parent = nullptr);

    void start(ProjectorService &service, const ProjectorAction &action);
    void stop();
    void stillHeld() { m_heard.start(); }
    [[nodiscard]] bool isHolding() const { return m_timer.isActive(); }

private:
    void sendOnce();

    QPointer<ProjectorService> m_service;
    ProjectorAction m_action;
    QTimer m_timer;
    QElapsedTimer m_heard;
    bool m_waiting = false;
};
