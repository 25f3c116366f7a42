#pragma once

#include <QDebug>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// One projector's port as the command line names it: a COM number, which
// the store's "Ports" group maps as it does for the panel, or a device path
// or network URL opened as it is.
struct PortChoice {
    QString label;       // as given (or "COMn" from the store): for messages and prefixes
    int comNumber = 0;   // 1 to 15, or 0 when `entry` names the port
    QString entry;       // a device path, socket://host:port or rfc2217://host:port
    QString problem{};   // why it is refused before anything opens it; empty: it is not
    QString note{};      // the comment after it in a ports file: "room 101"

    // "COMn" (any case) or a bare number n is a COM number; a text with
    // "://" must be a valid network URL; anything else is a device path,
    // without control characters and short enough for the system. Nothing,
    // with `error` set, for anything else.
    [[nodiscard]] static std::optional<PortChoice> fromArgument(const QString &argument, QString *error);
    [[nodiscard]] static PortChoice comPort(int comNumber);
    // A port that is not served: `problem` says why, `label` where it was named.
    [[nodiscard]] static PortChoice refused(const QString &label, const QString &problem);

    // The label, and the note in brackets after it, for messages.
    [[nodiscard]] QString shownName() const;

    friend bool operator==(const PortChoice &, const PortChoice &) = default;
};

QDebug operator<<(QDebug debug, const PortChoice &choice);

// One port a ports file lists.
struct PortsFileLine {
    int number = 0;  // counted from 1
    QString port;
    QString note;    // the comment after it, if any
    bool tooLong = false;  // longer than LongestPortsFileLine: neither port nor note read
    friend bool operator==(const PortsFileLine &, const PortsFileLine &) = default;
};

// A ports file is a short list typed by a person: a larger one is another
// file given by mistake (or a device that never ends) and is refused before
// it fills the memory; a longer line is refused alone, and never echoed.
inline constexpr qsizetype LongestPortsFile = 1024 * 1024;
inline constexpr qsizetype LongestPortsFileLine = 1024;

// The text of a ports file, read at most one byte past its bound; nothing,
// with `error` set ("FILE:LINE: ..." where it passes it), when it is larger.
[[nodiscard]] std::optional<QString> readPortsFile(QIODevice &file, const QString &path, QString *error);

// The ports a ports file lists: one a line, surrounding blanks dropped;
// empty lines and lines starting with "#" skipped, and a "#" after a blank
// starts a comment.
[[nodiscard]] QList<PortsFileLine> portsFileLines(QStringView text);

// What a line of a ports file may hold, for the messages that refuse one.
inline constexpr const char *PortsFileLineForms =
    "one port: COMn or n (1 to 15), a device such as /dev/ttyUSB0, socket://host:port or "
    "rfc2217://host:port, and after it \" # \" a comment that names it";

// The ports a ports file lists, each refused alone when it names no port
// ("FILE:LINE: why; a line of a ports file is ...").
[[nodiscard]] QList<PortChoice> portsFromFile(const QString &path, QStringView text);

// Each port once: later ones that reach the same port as an earlier one
// (by `sameAs`) are dropped.
template <typename SameAs>
[[nodiscard]] QList<PortChoice> withoutRepeats(const QList<PortChoice> &ports, SameAs sameAs)
{
    QList<PortChoice> kept;
    for (const PortChoice &port : ports) {
        bool repeated = false;
        for (const PortChoice &earlier : std::as_const(kept))
            repeated = repeated || (port.problem.isEmpty() && earlier.problem.isEmpty() && sameAs(earlier, port));
        if (!repeated)
            kept.append(port);
    }
    return kept;
}
