#pragma once

#include "catalogue/catalogue.h"

#include <QByteArray>
#include <QWidget>

class CommandListHost;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The command list window: pick any catalogued command, or type one, fill in
// its "%" placeholders and send it through the main window's transmit path.
// It has no owner; the main window opens it, handing it what it may ask of
// the main window, and it deletes itself on close, so every opening after a
// close starts from the load steps.
class Form3 : public QWidget
{
    Q_OBJECT

public:
    explicit Form3(CommandListHost &host);

    // The frame SEND puts out: the edit box's command text and a CR.
    [[nodiscard]] const QByteArray &preparedFrame() const { return m_preparedFrame; }
    [[nodiscard]] Catalogue::List listMode() const { return m_listMode; }

    // The main window is going away: close without handing anything back.
    void unloadWithMainWindow();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void Form_Load();

    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click();
    void Text1_Change();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

    // The selection steps shared by the three lists.
    void takeSelectedEntry(const QComboBox &list);
    void switchTo(Catalogue::List list);
    [[nodiscard]] QComboBox *combo(Catalogue::List list) const;

    CommandListHost &m_host;
    QComboBox *m_combo1 = nullptr;
    QComboBox *m_combo2 = nullptr;
    QComboBox *m_combo3 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QLabel *m_label1 = nullptr;  // parameter legend
    QLabel *m_label2 = nullptr;  // marker legend
    QByteArray m_preparedFrame;
    Catalogue::List m_listMode = Catalogue::List::Basic;
    // Off when the main window closes: there is nothing to hand back to.
    bool m_handBackOnClose = true;
};
