#include "catalogue/catalogue.h"

#include <QFile>

#include <array>

namespace {

const char *resourcePath(Catalogue::List list)
{
    switch (list) {
    case Catalogue::List::Basic:
        return ":/catalogue/basic.txt";
    case Catalogue::List::Expand:
        return ":/catalogue/expand.txt";
    case Catalogue::List::Read:
        return ":/catalogue/read.txt";
    }
    Q_UNREACHABLE();
    return nullptr;
}

// One entry a line, every line ended by LF. Nothing is trimmed: tabs and
// trailing blanks belong to the entries.
QStringList load(Catalogue::List list)
{
    QFile file(QString::fromLatin1(resourcePath(list)));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("Command list %s is missing from the program", resourcePath(list));
        return {};
    }
    const QByteArray bytes = file.readAll();
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype end = bytes.indexOf('\n'); end >= 0; end = bytes.indexOf('\n', start)) {
        lines.append(QString::fromLatin1(bytes.sliced(start, end - start)));
        start = end + 1;
    }
    return lines;
}

} // namespace

const QStringList &Catalogue::entries(List list)
{
    static const std::array<QStringList, 3> lists{load(List::Basic), load(List::Expand),
                                                  load(List::Read)};
    return lists[static_cast<std::size_t>(list)];
}
