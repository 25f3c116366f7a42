#include "bridge/pjlink/pjlinkauth.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace PjlinkAuth {

QByteArray challenge(QRandomGenerator &random)
{
    const quint32 value = random.generate();
    return QByteArray::number(value, 16).rightJustified(8, '0');
}

QByteArray digest(QByteArrayView challenge, QByteArrayView password)
{
    QCryptographicHash md5(QCryptographicHash::Md5);
    md5.addData(challenge);
    md5.addData(password);
    return md5.result().toHex();
}

bool accepts(QByteArrayView offered, QByteArrayView challenge, QByteArrayView password)
{
    const QByteArray expected = digest(challenge, password);
    if (offered.size() != expected.size())
        return false;
    // The same time whatever the first wrong digit.
    char difference = 0;
    for (qsizetype i = 0; i < expected.size(); ++i)
        difference |= char(QChar::toLower(char16_t(offered[i])) ^ expected[i]);
    return difference == 0;
}

std::optional<QByteArray> passwordFromFile(QByteArrayView contents, QString *error)
{
    QByteArrayView line = contents;
    if (const qsizetype end = line.indexOf('\n'); end >= 0)
        line = line.first(end);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty()) {
        *error = QStringLiteral("its first line is empty (it must hold the password)");
        return std::nullopt;
    }
    if (line.size() > LongestPassword) {
        *error = QStringLiteral("the password is %1 characters long; PJLink takes at most %2")
                     .arg(line.size()).arg(LongestPassword);
        return std::nullopt;
    }
    for (const char c : line) {
        if (c < 0x20 || c > 0x7E) {
            *error = QStringLiteral("the password holds a character other than printable ASCII");
            return std::nullopt;
        }
    }
    return line.toByteArray();
}

} // namespace PjlinkAuth
