#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QRect>
#include <QString>
#include <QStringList>

// Tables of test data: one row a line, fields separated by tabs, texts in
// double quotes; lines that begin with "#" are comments.
namespace TableData {

// The rows of the table at `path` (a file or a resource); none if it cannot
// be read.
[[nodiscard]] QList<QStringList> read(const QString &path);

// The text of a field written in double quotes; a null string for any other.
[[nodiscard]] QString quoted(const QString &field);

// A button of the main window as tests/data/panel-buttons.tsv gives it.
struct PanelButton {
    QString name;      // its object name
    QString group;     // the title of its group; empty: on the window itself
    QString caption;   // what it shows; an arrow picture by where it points ("Up", "Left")
    bool picture = false;  // an arrow picture, no caption
    QByteArray sends;  // the command text without CR; null: nothing
    bool hold = false;
    QRect twips;
    QString colour;
};
enum class Buttons { All, OneShot, Hold };
// The rows of ":/tables/panel-buttons.tsv", a resource of the test that reads
// them: all, the one-shot buttons that send a frame, or the hold buttons.
[[nodiscard]] QList<PanelButton> panelButtons(Buttons which = Buttons::All);

} // namespace TableData

Q_DECLARE_METATYPE(TableData::PanelButton)
