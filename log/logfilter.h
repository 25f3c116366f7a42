#pragma once

#include <QByteArray>
#include <QString>

class ExchangeRing;
struct ExchangeRecord;

// What the operator asks the log to show: exchanges that contain a text
// (case-insensitive, in any of their rows' rendering, status, origin and
// details, raw text or hex bytes) and, if chosen, only those that failed in
// one way. An exchange matches as a whole, so a reply is shown with the frame
// that asked for it. The port's own rows are shown under every choice, as
// long as their words contain the text: they explain a run of failures.
class LogFilter
{
public:
    enum class Show { All, NoReply, Refused, Unexpected };

    LogFilter() = default;
    LogFilter(const QString &text, Show show);

    [[nodiscard]] bool isEmpty() const { return m_text.isEmpty() && m_show == Show::All; }
    [[nodiscard]] const QString &text() const { return m_text; }
    [[nodiscard]] Show show() const { return m_show; }
    [[nodiscard]] bool matches(const ExchangeRing &ring, const ExchangeRecord &record) const;

    friend bool operator==(const LogFilter &a, const LogFilter &b)
    {
        return a.m_text == b.m_text && a.m_show == b.m_show;
    }

private:
    [[nodiscard]] bool showsOutcomeOf(const ExchangeRecord &record) const;
    [[nodiscard]] bool containsText(const ExchangeRing &ring, const ExchangeRecord &record) const;
    [[nodiscard]] bool in(QStringView field) const { return field.contains(m_text, Qt::CaseInsensitive); }

    QString m_text;
    Show m_show = Show::All;
    // The text as lower-case hex digits, to look for in the bytes' hex; empty
    // when it cannot be hex.
    QByteArray m_hex;
};
