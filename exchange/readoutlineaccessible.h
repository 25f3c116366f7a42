#pragma once

#include <QAccessibleWidget>

class ReadoutLine;

// What assistive technology sees of a ReadoutLine: a label named by its
// accessible name ("TxD line"), whose description is the text it shows and
// whose text interface reads the whole text. QLabel's own offers only the
// name, so a named line's text would be out of reach.
class ReadoutLineAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit ReadoutLineAccessible(ReadoutLine *line);

    // Makes every ReadoutLine use this interface; safe to call repeatedly.
    static void install();

    QString text(QAccessible::Text t) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    // Read-only text: no selection, the cursor stays at the start.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    [[nodiscard]] ReadoutLine *line() const;
    // Where the characters that show are laid out, and how many of them there are.
    [[nodiscard]] QRect textArea() const;
    [[nodiscard]] int shownCharacterCount() const;
};
