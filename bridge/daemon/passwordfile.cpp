#include "bridge/daemon/passwordfile.h"

#include "bridge/pjlink/pjlinkauth.h"

#include <QFile>
#include <QFileInfo>

namespace PasswordFile {

std::optional<QString> expanded(const QString &path, QString *error)
{
    static const QLatin1StringView variable("${CREDENTIALS_DIRECTORY}");
    if (!path.contains(variable))
        return path;
    // Unset outside the service: an empty value would make "/pjlink-password" of it.
    if (qEnvironmentVariableIsEmpty("CREDENTIALS_DIRECTORY")) {
        *error = QStringLiteral("the password file %1 is in ${CREDENTIALS_DIRECTORY}, which is not set: systemd sets "
                                "it for the service (LoadCredential=); outside it give the file's own path")
                     .arg(path);
        return std::nullopt;
    }
    return QString(path).replace(variable, qEnvironmentVariable("CREDENTIALS_DIRECTORY"));
}

std::optional<QByteArray> read(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = QStringLiteral("the password file %1 does not exist").arg(path);
        return std::nullopt;
    }
    if (!info.isFile()) {
        *error = QStringLiteral("the password file %1 is no plain file").arg(path);
        return std::nullopt;
    }
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::ReadOther;
    if (info.permissions() & others) {
        *error = QStringLiteral("the password file %1 can be read by others than its owner (%2): "
                                "chmod 600 %1")
                     .arg(path, info.permissions() & QFileDevice::ReadOther ? QStringLiteral("everyone")
                                                                           : QStringLiteral("its group"));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the password file %1 cannot be read: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    // A password is one short line; more is no password file.
    const QByteArray contents = file.read(4096);
    QString problem;
    auto password = PjlinkAuth::passwordFromFile(contents, &problem);
    if (!password)
        *error = QStringLiteral("the password file %1: %2").arg(path, problem);
    return password;
}

} // namespace PasswordFile
