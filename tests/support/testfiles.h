#pragma once

#include <QFile>
#include <QList>
#include <QString>

#include <sys/stat.h>

#include <utility>

namespace TestFiles {

// Points `link` at `target`, in place of whatever was at `link`.
[[nodiscard]] inline bool relink(const QString &link, const QString &target)
{
    QFile::remove(link);
    return QFile::link(target, link);
}

// The modes a test gave to files, put back by restore() or at the end.
class Modes
{
public:
    Modes() = default;
    ~Modes() { restore(); }
    Modes(const Modes &) = delete;
    Modes &operator=(const Modes &) = delete;

    [[nodiscard]] bool set(const QString &path, mode_t mode)
    {
        struct stat info {};
        const QByteArray name = QFile::encodeName(path);
        if (::stat(name.constData(), &info) != 0)
            return false;
        m_changed.append({path, info.st_mode & 07777});
        return ::chmod(name.constData(), mode) == 0;
    }
    void restore()
    {
        for (const auto &[path, mode] : std::as_const(m_changed))
            ::chmod(QFile::encodeName(path).constData(), mode);
        m_changed.clear();
    }

private:
    QList<std::pair<QString, mode_t>> m_changed;
};

} // namespace TestFiles
