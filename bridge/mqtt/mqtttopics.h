#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// The bridge's topic names as data, from the prefix and the bridge's id:
//   <prefix>/<projector>/availability   online / offline (retained)
//   <prefix>/<projector>/state          JSON (retained)
//   <prefix>/<projector>/set/<item>     commands
//   <prefix>/<projector>/press          a panel button by its key
//   <prefix>/<projector>/result         what became of a command
//   <prefix>/bridge/<bridge-id>/status  the bridge's own (the last will)
//   <prefix>/bridge/<bridge-id>/discovered  the ids discovery was published for
class MqttTopics
{
public:
    MqttTopics(QString prefix, QString bridgeId);

    [[nodiscard]] QString availability(const QString &projector) const { return of(projector, u"availability"); }
    [[nodiscard]] QString state(const QString &projector) const { return of(projector, u"state"); }
    [[nodiscard]] QString result(const QString &projector) const { return of(projector, u"result"); }
    [[nodiscard]] QString press(const QString &projector) const { return of(projector, u"press"); }
    // The filter of a projector's set topics ("rm740/room-101/set/+").
    [[nodiscard]] QString setFilter(const QString &projector) const { return of(projector, u"set/+"); }
    [[nodiscard]] QString bridgeStatus() const;
    [[nodiscard]] QString discovered() const;

    // A command topic taken apart: whose and what (`item` empty for press).
    struct Command {
        QString projector;
        QString item;
        friend bool operator==(const Command &, const Command &) = default;
    };
    [[nodiscard]] std::optional<Command> command(QStringView topic) const;

    // One level of a topic: 1 to 64 bytes, no '/', '+', '#' or control character.
    [[nodiscard]] static bool isLevel(QStringView level);
    // A prefix: levels separated by '/'.
    [[nodiscard]] static bool isPrefix(QStringView prefix);
    // A projector's name as one level: lower case, what is not a letter, a
    // digit, '-' or '_' made '_' ("Room 101" is "room_101").
    [[nodiscard]] static QString levelFor(const QString &name);

private:
    [[nodiscard]] QString of(const QString &projector, QStringView what) const;

    QString m_prefix;
    QString m_bridgeId;
};
