#pragma once

#include "catalogue/catalogue.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// `rm740ctl list`: the command catalogue's entries, of one list or all three,
// those holding a word (in any case) or all.
namespace CatalogueListing {

struct Query {
    std::optional<Catalogue::List> list;  // nothing: all three, in their order
    QString word;                         // empty: every entry
    friend bool operator==(const Query &, const Query &) = default;
};

struct Row {
    Catalogue::List list;
    QString entry;
};

// "basic", "expand", "read".
[[nodiscard]] QString listName(Catalogue::List list);
[[nodiscard]] std::optional<Catalogue::List> listNamed(QStringView name);

[[nodiscard]] QList<Row> rows(const Query &query);

// {"list", "entry", "command"}, the command text being what SEND would send
// of the entry, without its CR.
[[nodiscard]] QByteArray json(const Row &row);

} // namespace CatalogueListing
