#include "support/modalwatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDebug>

namespace {
constexpr int PollMs = 20;
}

ModalWatcher::ModalWatcher(QObject *parent)
    : QObject(parent)
{
    connect(&m_poll, &QTimer::timeout, this, &ModalWatcher::poll);
    m_poll.start(PollMs);
}

void ModalWatcher::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || m_seen.contains(modal))
        return;
    m_seen.removeAll(nullptr);
    m_seen.append(modal);
    // Answered from a queued call rather than here: a timer does not fire
    // again while its own handler runs, and an answer may open another modal
    // window that this timer has to see.
    QPointer<QWidget> target = modal;
    QMetaObject::invokeMethod(this, [this, target] {
        if (!target)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(target.data()))
            answerMessageBox(box);
        else
            answerDialog(target);
    }, Qt::QueuedConnection);
}

void ModalWatcher::answerMessageBox(QMessageBox *box)
{
    m_messageBoxes.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                           box->isModal(), box->detailedText()});
    const QList<QAbstractButton *> buttons = box->buttons();
    if (buttons.isEmpty())
        box->close();
    else
        buttons.first()->click();
}

void ModalWatcher::answerDialog(QWidget *dialog)
{
    ++m_dialogsAnswered;
    QPointer<QWidget> guard = dialog;
    if (m_answer)
        m_answer(dialog);
    if (guard && guard->isVisible())
        guard->close();
}

char *toString(const ModalWatcher::MessageBox &box)
{
    QString text;
    QDebug(&text).nospace() << "MessageBox(" << box.title << ", " << box.text << ", icon "
                            << box.icon << ", buttons " << box.buttons
                            << (box.modal ? ", modal" : ", modeless");
    if (!box.detail.isEmpty())
        QDebug(&text).nospace() << ", detail " << box.detail;
    QDebug(&text).nospace() << ')';
    return qstrdup(text.toUtf8().constData());
}
