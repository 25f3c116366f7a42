#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The PJLink password, from a file only its owner may read. Nothing, with
// `error` saying what is wrong and how to mend it, when the file is missing,
// unreadable, readable by its group or others, or holds no usable password.
namespace PasswordFile {

// "${CREDENTIALS_DIRECTORY}" in `path` stands for that variable's value
// (systemd's LoadCredential= puts files there, readable by the service alone);
// nothing, with `error`, where the path needs that variable and it is not set.
[[nodiscard]] std::optional<QString> expanded(const QString &path, QString *error);
[[nodiscard]] std::optional<QByteArray> read(const QString &path, QString *error);

} // namespace PasswordFile
