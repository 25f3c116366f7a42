#include "ctl/cataloguelisting.h"

#include "catalogue/commandtext.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace CatalogueListing {
namespace {

struct Named {
    Catalogue::List list;
    const char *name;
};
constexpr std::array lists{
    Named{Catalogue::List::Basic, "basic"},
    Named{Catalogue::List::Expand, "expand"},
    Named{Catalogue::List::Read, "read"},
};

} // namespace

QString listName(Catalogue::List list)
{
    for (const Named &n : lists) {
        if (n.list == list)
            return QLatin1StringView(n.name);
    }
    return {};
}

std::optional<Catalogue::List> listNamed(QStringView name)
{
    for (const Named &n : lists) {
        if (name == QLatin1StringView(n.name))
            return n.list;
    }
    return std::nullopt;
}

QList<Row> rows(const Query &query)
{
    QList<Row> result;
    for (const Named &n : lists) {
        if (query.list && *query.list != n.list)
            continue;
        for (const QString &entry : Catalogue::entries(n.list)) {
            if (entry.contains(query.word, Qt::CaseInsensitive))
                result.append(Row{n.list, entry});
        }
    }
    return result;
}

QByteArray json(const Row &row)
{
    const QJsonObject object{
        {QStringLiteral("list"), listName(row.list)},
        {QStringLiteral("entry"), row.entry},
        {QStringLiteral("command"), Catalogue::commandText(row.entry).toString()},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace CatalogueListing
