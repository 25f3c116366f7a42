#pragma once

#include <QHashFunctions>
#include <QString>

// Where a transmitted frame came from: a one-shot button, the press or a
// repeat of a hold, or the command list. The exchange passes it on untouched
// to whoever keeps a record of what was sent.
struct TransmitOrigin {
    enum class Kind : quint8 { Unknown, Button, HoldPress, HoldRepeat, CommandList };

    Kind kind = Kind::Unknown;
    QString caption;  // the button's caption; an arrow's accessible name
    QString name;     // the button's objectName
    QString group;    // the title of the button's group, if it has one

    [[nodiscard]] static TransmitOrigin button(const char *caption, const char *name, const char *group = nullptr)
    {
        return {Kind::Button, QString::fromLatin1(caption), QString::fromLatin1(name), QString::fromLatin1(group)};
    }
    [[nodiscard]] static TransmitOrigin hold(Kind pressOrRepeat, const char *caption, const char *name)
    {
        return {pressOrRepeat, QString::fromLatin1(caption), QString::fromLatin1(name), {}};
    }
    [[nodiscard]] static TransmitOrigin commandList() { return {Kind::CommandList, {}, {}, {}}; }

    friend bool operator==(const TransmitOrigin &, const TransmitOrigin &) = default;
    friend size_t qHash(const TransmitOrigin &origin, size_t seed = 0)
    {
        return qHashMulti(seed, quint8(origin.kind), origin.caption, origin.name, origin.group);
    }
};
