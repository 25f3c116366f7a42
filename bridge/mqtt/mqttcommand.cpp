#include "bridge/mqtt/mqttcommand.h"

#include <QStringDecoder>

#include <array>
#include <functional>

namespace MqttCommand {
namespace {

using Make = std::function<ProjectorAction(bool on)>;

struct Switch {
    const char *item;
    Make make;
};

const std::array<Switch, 4> &switches()
{
    static const std::array<Switch, 4> table{{
        {"power", [](bool on) { return on ? ProjectorActions::powerOn() : ProjectorActions::powerOff(); }},
        {"audio_mute", &ProjectorActions::audioMute},
        {"video_mute", &ProjectorActions::videoMute},
        {"freeze", &ProjectorActions::freeze},
    }};
    return table;
}

std::optional<QString> text(const QByteArray &payload, QString *error)
{
    if (payload.size() > LongestPayload) {
        *error = QStringLiteral("the payload is longer than %1 bytes").arg(LongestPayload);
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString decoded = decoder.decode(payload);
    if (decoder.hasError()) {
        *error = QStringLiteral("the payload is not UTF-8");
        return std::nullopt;
    }
    return decoded.trimmed();
}

} // namespace

QStringList items()
{
    QStringList names;
    for (const Switch &s : switches())
        names.append(QLatin1StringView(s.item));
    names.insert(1, QStringLiteral("input"));
    return names;
}

std::optional<ProjectorAction> parse(const QString &item, const QByteArray &payload, const InputTable &inputs,
                                     QString *error)
{
    const auto value = text(payload, error);
    if (!value)
        return std::nullopt;
    if (item.isEmpty()) {
        auto action = ProjectorActions::forButton(*value, inputs);
        if (!action)
            *error = QStringLiteral("no button of the panel called \"%1\" sends anything").arg(value->left(64));
        return action;
    }
    if (item == u"input") {
        if (const InputTable::Input *input = inputs.byName(*value))
            return ProjectorActions::selectInput(*input);
        QStringList names;
        for (const InputTable::Input &input : inputs.inputs())
            names.append(InputTable::nameOf(input));
        *error = QStringLiteral("no input is called \"%1\" (the inputs: %2)")
                     .arg(value->left(64), names.join(QLatin1StringView(", ")));
        return std::nullopt;
    }
    for (const Switch &s : switches()) {
        if (item != QLatin1StringView(s.item))
            continue;
        if (value->compare(u"ON", Qt::CaseInsensitive) == 0)
            return s.make(true);
        if (value->compare(u"OFF", Qt::CaseInsensitive) == 0)
            return s.make(false);
        *error = QStringLiteral("%1 takes ON or OFF").arg(item);
        return std::nullopt;
    }
    *error = QStringLiteral("no item called \"%1\" (the items: %2)")
                 .arg(item.left(64), items().join(QLatin1StringView(", ")));
    return std::nullopt;
}

} // namespace MqttCommand
