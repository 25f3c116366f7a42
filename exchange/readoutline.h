#pragma once

#include <QLabel>

// A line of text that the program writes for the operator to read: the TxD
// and RxD lines and the status line. Besides showing its text it tells
// assistive technology of every change, and lets it read the whole text
// (see ReadoutLineAccessible).
class ReadoutLine : public QLabel
{
    Q_OBJECT

public:
    // The description that assistive technology reads holds this much of the
    // text at most: far more than the line can show, far less than a flood.
    static constexpr qsizetype DescribedLength = 1000;

    explicit ReadoutLine(QWidget *parent = nullptr);

    // Replaces the whole text.
    void showText(const QString &text);

    // The description for `text`: the text itself, or its start and an
    // ellipsis when it is longer than DescribedLength.
    [[nodiscard]] static QString describe(const QString &text);

protected:
    // Appends to the text, in place when the label holds the only reference
    // to it, so that a growing line costs no copy of what it already shows.
    void appendText(const QString &pieces);
};
