#pragma once

#include "app/module1.h"
#include "link/mscomm.h"
#include "panel/form1.h"
#include "support/fakeprojector.h"
#include "support/testsettings.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <memory>

// A main window started from a stored link ("ComPort" 1, 19200 baud) whose
// COM1 is a pseudo-terminal with a fake projector at the other end.
class WiredForm
{
public:
    WiredForm()
    {
        TestSettings::clear();
        if (!m_projector.open())
            return;
        TestSettings::mapPort(1, m_projector.devicePath());
        TestSettings::storeLink(QStringLiteral("1"), QStringLiteral("192"));
        m_form = std::make_unique<Form1>(m_module);
        m_form->Form_Load();
    }

    [[nodiscard]] bool isConnected() const { return m_form && m_form->MSComm1().PortOpen(); }
    [[nodiscard]] Form1 &form() { return *m_form; }
    [[nodiscard]] FakeProjector &projector() { return m_projector; }
    [[nodiscard]] Module1 &module() { return m_module; }

    [[nodiscard]] QPushButton *button(const char *name) const
    {
        return m_form->findChild<QPushButton *>(QLatin1StringView(name));
    }
    [[nodiscard]] QLabel *label(const char *name) const
    {
        return m_form->findChild<QLabel *>(QLatin1StringView(name));
    }
    [[nodiscard]] QString text(const char *labelName) const { return label(labelName)->text(); }

    static void sendMouse(QWidget *target, QEvent::Type type, Qt::MouseButton button,
                          Qt::MouseButtons stillDown = Qt::NoButton)
    {
        const QPoint centre = target->rect().center();
        const Qt::MouseButtons down =
            type == QEvent::MouseButtonRelease ? stillDown : (stillDown | button);
        QMouseEvent event(type, centre, target->mapToGlobal(centre), button, down, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

private:
    FakeProjector m_projector;
    Module1 m_module;
    std::unique_ptr<Form1> m_form;
};
