#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

class QRandomGenerator;

// PJLink's authentication: the projector greets with a random challenge and
// the client proves it knows the password by the MD5 of challenge and
// password. It keeps out the careless, not an eavesdropper (the digest and
// everything after it travel in clear).
namespace PjlinkAuth {

inline constexpr qsizetype LongestPassword = 32;

// Eight lower-case hex digits from `random`.
[[nodiscard]] QByteArray challenge(QRandomGenerator &random);
// 32 lower-case hex digits: MD5 of `challenge` followed by `password`.
[[nodiscard]] QByteArray digest(QByteArrayView challenge, QByteArrayView password);
// Whether `offered` (any case) is the digest for `challenge` and `password`.
[[nodiscard]] bool accepts(QByteArrayView offered, QByteArrayView challenge, QByteArrayView password);

// The password a password file holds: its first line, without the line end.
// Nothing, with `error` set, when it is empty, longer than 32 characters or
// holds anything but printable ASCII.
[[nodiscard]] std::optional<QByteArray> passwordFromFile(QByteArrayView contents, QString *error);

} // namespace PjlinkAuth
