#pragma once

#include "log/logrow.h"

#include <QList>
#include <QString>

#include <optional>

class ExchangeRing;
class QDateTime;
class QIODevice;

// The exchange log on disk, as text (a line a row, tab-separated, after a
// header block of "#" lines that says where it came from) or as CSV (one
// header row of column names). Both hold each row's time with its UTC
// offset, direction, rendering, status, details, raw bytes in hex and reply
// time, so either reads back to the same rows; the CSV also has the bytes as
// text with control characters escaped. Files of the earlier six columns
// still read.
namespace LogFile {

enum class Format { Text, Csv };

// What the text file's header block says besides the program, the time
// range and the rows' columns.
struct Header {
    QString port;            // "COM1 (/dev/ttyS0) at 9600 baud"
    qsizetype exchanges = 0;
};
[[nodiscard]] Header headerFor(const ExchangeRing &ring, const QString &port);

// "rm740-control 1.0.0"
[[nodiscard]] QString program();

// CSV for a name ending in ".csv", text for anything else.
[[nodiscard]] Format formatFor(const QString &path);
// "rm740-log-20261207-1200.txt": one a minute, so saves do not overwrite each other.
[[nodiscard]] QString proposedName(const QDateTime &at, Format format);

void write(QIODevice &out, const QList<LogRow> &rows, Format format, const Header &header = {});
// Writes the file whole or not at all; the reason when it could not.
[[nodiscard]] std::optional<QString> save(const QString &path, const QList<LogRow> &rows, Format format,
                                          const Header &header = {});

// The rows as the text file's lines, each ending in a line break: what Copy gives.
[[nodiscard]] QString lines(const QList<LogRow> &rows);
// The raw bytes in hex, a line for each row that has any.
[[nodiscard]] QString hexLines(const QList<LogRow> &rows);

struct Reading {
    QList<LogRow> rows;
    QString error;  // empty when every row was read

    [[nodiscard]] bool ok() const { return error.isEmpty(); }
};
// Either format, told apart by its first line.
[[nodiscard]] Reading read(QIODevice &in);
[[nodiscard]] Reading load(const QString &path);

// "2026-12-07 12:00:01.250 +01:00": local time, to the millisecond, with the
// offset that makes it exact.
[[nodiscard]] QString timeStamp(qint64 ms);
[[nodiscard]] std::optional<qint64> parseTimeStamp(QStringView text);

} // namespace LogFile
