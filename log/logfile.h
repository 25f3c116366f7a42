#pragma once

#include "log/logrow.h"

#include <QList>
#include <QString>

#include <optional>

class QIODevice;

// The exchange log on disk, as text (a line a row, tab-separated, headed by
// a title line) or as CSV. Both hold each row's time with its UTC offset,
// direction, rendering, status, details and raw bytes in hex, so either
// reads back to the same rows.
namespace LogFile {

enum class Format { Text, Csv };

// CSV for a name ending in ".csv", text for anything else.
[[nodiscard]] Format formatFor(const QString &path);

void write(QIODevice &out, const QList<LogRow> &rows, Format format);
// Writes the file whole or not at all; the reason when it could not.
[[nodiscard]] std::optional<QString> save(const QString &path, const QList<LogRow> &rows, Format format);

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
