#pragma once

#include <QObject>

#include <initializer_list>
#include <memory>

class Exchange;
class ExchangeLogWindow;
class MSComm;
class ExchangeRecorder;
class QLabel;

// The exchange log as the main window reaches it: the recorder, which keeps
// the log from the start, and its window, made when first asked for (Ctrl+L
// or "Exchange Log..." in a monitor line's context menu) and kept while the
// main window lives. The window has no parent, so it is none of the main
// window's controls.
class ExchangeLogAccess : public QObject
{
    Q_OBJECT

public:
    // Gives each monitor line the context menu "Exchange Log...", "Copy line".
    ExchangeLogAccess(Exchange &exchange, MSComm &comm, std::initializer_list<QLabel *> monitorLines,
                      QObject *parent);
    ~ExchangeLogAccess() override;

    // Opens the window, or brings it forward.
    void showWindow();
    void closeWindow();

    [[nodiscard]] ExchangeRecorder &recorder() const { return *m_recorder; }
    // Null until first shown.
    [[nodiscard]] ExchangeLogWindow *window() const { return m_window.get(); }

private:
    void addContextMenu(QLabel *line);

    ExchangeRecorder *const m_recorder;
    std::unique_ptr<ExchangeLogWindow> m_window;
};
