#pragma once

class QWidget;

// Keeps a top-level window off the task bar where the platform lets a normal
// window ask for that (X11: _NET_WM_STATE_SKIP_TASKBAR), without making it a
// tool window that window managers keep above the others. Call before the
// window is first shown; elsewhere it does nothing.
namespace TaskBarHint {

void keepOffTheTaskBar(QWidget *window);

} // namespace TaskBarHint
