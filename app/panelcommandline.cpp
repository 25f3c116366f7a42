#include "app/panelcommandline.h"

namespace PanelCommandLine {

Plan read(const QStringList &arguments)
{
    const QStringList given = arguments.mid(1);
    if (given.contains(u"--help") || given.contains(u"-h"))
        return {Action::Help, {}};
    if (given.contains(u"--version"))
        return {Action::Version, {}};
    if (!given.isEmpty())
        return {Action::Refuse, QStringLiteral("%1 is not understood: the port and its speed are chosen "
                                               "with the \"COM\" button").arg(given.first())};
    return {};
}

QString usageLine()
{
    return QStringLiteral("Usage: rm740-control [--help | --version]");
}

QString helpText()
{
    return usageLine() + QStringLiteral(
        "\n\n"
        "The control panel for a data projector on an RS-232C serial line. It opens the\n"
        "port chosen last (COM1 to COM15, 9600 or 19200 baud), or asks for one; \"COM\"\n"
        "in the full view (Ctrl+H) chooses another. The choice is kept in\n"
        "$XDG_CONFIG_HOME/ORVA.conf (~/.config/ORVA.conf).\n"
        "\n"
        "  -h, --help   shows this help\n"
        "  --version    shows the version\n"
        "\n"
        "Qt's own options (-platform, -style, -display ...) go to Qt.\n"
        "See rm740-control(1); rm740ctl(1) sends the same commands from a shell.\n");
}

} // namespace PanelCommandLine
