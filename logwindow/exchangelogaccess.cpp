#include "logwindow/exchangelogaccess.h"

#include "logwindow/exchangelogwindow.h"
#include "logwindow/exchangerecorder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

ExchangeLogAccess::ExchangeLogAccess(Exchange &exchange, MSComm &comm, std::initializer_list<QLabel *> monitorLines,
                                     QObject *parent)
    : QObject(parent)
    , m_recorder(new ExchangeRecorder(exchange, comm, this))
{
    for (QLabel *line : monitorLines)
        addContextMenu(line);
}

ExchangeLogAccess::~ExchangeLogAccess() = default;

void ExchangeLogAccess::showWindow()
{
    if (!m_window)
        m_window = std::make_unique<ExchangeLogWindow>(*m_recorder);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void ExchangeLogAccess::closeWindow()
{
    if (m_window)
        m_window->close();
}

void ExchangeLogAccess::addContextMenu(QLabel *line)
{
    line->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(line, &QWidget::customContextMenuRequested, this, [this, line](const QPoint &position) {
        auto *menu = new QMenu(line);
        menu->setObjectName(QStringLiteral("MonitorLineMenu"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(tr("Exchange Log..."), this, &ExchangeLogAccess::showWindow);
        QAction *copy = menu->addAction(tr("Copy line"), line, [line] {
            QGuiApplication::clipboard()->setText(line->text());
        });
        copy->setEnabled(!line->text().isEmpty());
        menu->popup(line->mapToGlobal(position));
    });
}
