#pragma once

#include <QFrame>

// A titled group of the main window's buttons. Assistive technology sees it
// as a grouping named by its title, where a plain QFrame would be a "frame",
// the role of a top-level window.
class PanelGroup : public QFrame
{
    Q_OBJECT

public:
    using QFrame::QFrame;
};

// Roles that Qt's own accessibility does not give the program's windows: the
// main window and the command list window are plain widgets to Qt (a
// "filler"), while screen readers announce a window when it is one.
namespace AccessibleRoles {

// Makes PanelGroup, Form1, Form3 and the exchange log window report their
// roles; safe to call repeatedly.
void install();

} // namespace AccessibleRoles
