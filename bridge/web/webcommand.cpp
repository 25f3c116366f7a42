#include "bridge/web/webcommand.h"

#include "ctl/ctlplan.h"
#include "ctl/namedcommands.h"
#include "panel/paneltable.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace WebCommand {

std::optional<ProjectorAction> button(const QString &objectName, const InputTable &inputs)
{
    return ProjectorActions::forButton(objectName, inputs);
}

std::optional<ProjectorAction> parse(const QByteArray &body, const InputTable &inputs, QString *error)
{
    if (body.size() > LongestBody) {
        *error = QStringLiteral("the request is longer than %1 bytes").arg(LongestBody);
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (!document.isObject()) {
        *error = QStringLiteral("the request must be a JSON object such as {\"command\": \"status\"}");
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    if (object.size() != 1 || !object.begin().value().isString()) {
        *error = QStringLiteral("the request must hold one of \"command\", \"button\" or \"send\", with a text");
        return std::nullopt;
    }
    const QString key = object.begin().key();
    const QString value = object.begin().value().toString();
    if (key == u"command") {
        const NamedCommands::Named *named = NamedCommands::byName(value);
        if (!named) {
            QStringList names;
            for (const NamedCommands::Named &n : NamedCommands::all())
                names.append(QLatin1StringView(n.name));
            *error = QStringLiteral("no command is called \"%1\" (the commands: %2)")
                         .arg(value.left(64), names.join(QLatin1StringView(", ")));
            return std::nullopt;
        }
        return ProjectorActions::forFrame(named->name, NamedCommands::frameOf(*named), inputs);
    }
    if (key == u"button") {
        auto action = button(value, inputs);
        if (!action)
            *error = QStringLiteral("no button of the panel called \"%1\" sends anything").arg(value.left(64));
        return action;
    }
    if (key == u"send") {
        if (value.isEmpty()) {
            *error = QStringLiteral("send needs the command text, as in {\"send\": \"CF BRIGHT 050\"}");
            return std::nullopt;
        }
        const auto frame = CtlArguments::sendFrame(value, error);
        if (!frame)
            return std::nullopt;
        return ProjectorActions::forFrame("send", *frame, inputs);
    }
    *error = QStringLiteral("unknown field \"%1\": give \"command\", \"button\" or \"send\"").arg(key.left(64));
    return std::nullopt;
}

} // namespace WebCommand
