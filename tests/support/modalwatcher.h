#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

// Answers modal windows for a test, from a timer, so that the call that opened
// one (a message box, a dialog shown with exec()) returns. Message boxes are
// recorded and closed with their first button; any other modal window goes to
// the answer given with onModalDialog, and is closed afterwards if the answer
// left it open, so a failed check inside an answer cannot hang the test.
class ModalWatcher : public QObject
{
    Q_OBJECT

public:
    struct MessageBox {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        bool modal = false;
        // The box's detail text. Not compared: tests that care look at it alone.
        QString detail = {};

        friend bool operator==(const MessageBox &a, const MessageBox &b)
        {
            return a.title == b.title && a.text == b.text && a.icon == b.icon
                && a.buttons == b.buttons && a.modal == b.modal;
        }
        // For QCOMPARE's failure messages.
        friend char *toString(const MessageBox &box);
    };

    explicit ModalWatcher(QObject *parent = nullptr);

    // Every message box seen so far, in order.
    [[nodiscard]] const QList<MessageBox> &messageBoxes() const { return m_messageBoxes; }
    void clearMessageBoxes() { m_messageBoxes.clear(); }

    // Runs `answer` once for each modal window that is not a message box. It
    // runs from the event loop, so it may open further modal windows itself.
    void onModalDialog(std::function<void(QWidget *)> answer) { m_answer = std::move(answer); }
    [[nodiscard]] int dialogsAnswered() const { return m_dialogsAnswered; }

private:
    void poll();
    void answerMessageBox(QMessageBox *box);
    void answerDialog(QWidget *dialog);

    QTimer m_poll;
    QList<QPointer<QWidget>> m_seen;
    QList<MessageBox> m_messageBoxes;
    std::function<void(QWidget *)> m_answer;
    int m_dialogsAnswered = 0;
};

// What the panel says of a port that does not open.
inline const ModalWatcher::MessageBox RetryComport{QStringLiteral("Error"), QStringLiteral("Retry Comport"),
                                                   QMessageBox::Warning, QMessageBox::Ok, true};
