// rm740ctl: the projector's commands from a shell, for scripts, schedules and
// many projectors at once, on the same rules as the control panel.

#include "ctl/cataloguelisting.h"
#include "ctl/ctlplan.h"
#include "ctl/fanout.h"
#include "ctl/resultprinter.h"
#include "link/linksettings.h"
#include "link/portnames.h"
#include "link/portsgroup.h"
#include "signals/terminationsignals.h"
#include "transports/porttarget.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

namespace {

void say(std::FILE *stream, const QString &text)
{
    ResultPrinter::writeMessage(stream, text);
}

int refuse(const QString &error)
{
    say(stderr, QStringLiteral("rm740ctl: %1").arg(error));
    say(stderr, CtlArguments::usageLine());
    say(stderr, QStringLiteral("Try 'rm740ctl --help' for more."));
    return ExitStatus::BadArguments;
}

bool sameLine(const PortTarget &a, const PortTarget &b)
{
    if (a.kind != b.kind)
        return false;
    if (a.isNetwork())
        return a.host.compare(b.host, Qt::CaseInsensitive) == 0 && a.port == b.port;
    const QString ownA = QFileInfo(a.device).canonicalFilePath();
    const QString ownB = QFileInfo(b.device).canonicalFilePath();
    return ownA.isEmpty() || ownB.isEmpty() ? a.device == b.device : ownA == ownB;
}

int list(const CtlPlan &plan)
{
    for (const CatalogueListing::Row &row : CatalogueListing::rows(plan.query))
        ResultPrinter::writeLine(stdout, plan.format == CtlPlan::Format::Json ? CatalogueListing::json(row) : row.entry.toLocal8Bit());
    return ExitStatus::Success;
}

int exchange(const CtlPlan &plan)
{
    // The store is only read, by the rules of the panel's start-up.
    const auto store = LinkSettings::openStore();
    QList<PortChoice> ports = plan.ports;
    if (ports.isEmpty()) {
        const qint16 stored = LinkSettings::readPortNumber(*store);
        if (!LinkSettings::isUsablePort(stored)) {
            say(stderr, QStringLiteral("rm740ctl: no port is stored (%1 in %2): give --port, or choose "
                                       "one with the panel's \"COM\" button")
                            .arg(QLatin1StringView(LinkSettings::ComPortKey), store->fileName()));
            return ExitStatus::PortFailed;
        }
        ports.append(PortChoice::comPort(stored));
    }
    // A COM number opens what the store's "Ports" group maps it to, as in the
    // panel; an entry there that names no port fails that port alone.
    for (PortChoice &port : ports) {
        if (port.comNumber == 0)
            continue;
        port.entry = PortsGroup::entryFor(port.comNumber, *store);
        const PortTarget target = PortTarget::fromEntry(port.entry);
        if (target.kind == PortTarget::Kind::Invalid)
            port.problem = QStringLiteral("the entry %1 of the settings' [%2] group (%3): %4")
                               .arg(PortNames::comName(port.comNumber), QLatin1StringView(LinkSettings::PortsGroup),
                                    store->fileName(), target.problem);
    }
    // A port named twice, or by two names, is served once: a second opening
    // would meet the first one's lock.
    ports = withoutRepeats(ports, [](const PortChoice &a, const PortChoice &b) {
        return sameLine(PortTarget::fromEntry(a.entry), PortTarget::fromEntry(b.entry));
    });
    const quint8 baudCode = plan.baudCode.value_or(LinkSettings::readBaudCode(*store));

    ResultPrinter printer(plan.format, ports.size() > 1);
    FanOut fanOut(plan, ports, LinkSettings::serialParameters(baudCode), printer);
    // A stopped timer job or a closed terminal: every port is closed (no lock
    // left behind) and the status says which signal (128 + its number).
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &fanOut, [&fanOut](int signal) {
        fanOut.interrupt(TerminationSignals::name(signal));
    });
    const ExitStatus::Code status = fanOut.exec();
    printer.finish();
    return termination.exitStatusOr(status);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rm740ctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    const CtlPlan plan = CtlArguments::parse(QCoreApplication::arguments());
    switch (plan.action) {
    case CtlPlan::Action::Help:
        std::fputs(qPrintable(CtlArguments::helpText()), stdout);
        return ExitStatus::Success;
    case CtlPlan::Action::Version:
        say(stdout, QStringLiteral("rm740ctl %1").arg(QCoreApplication::applicationVersion()));
        return ExitStatus::Success;
    case CtlPlan::Action::Refuse:
        return refuse(plan.error);
    case CtlPlan::Action::List:
        return list(plan);
    case CtlPlan::Action::Exchange:
        return exchange(plan);
    }
    return ExitStatus::BadArguments;
}
