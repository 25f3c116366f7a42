#pragma once

#include <QList>
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

} // namespace TableData
