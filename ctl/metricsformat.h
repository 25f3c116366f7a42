#pragma once

#include "bridge/projector/projectorstate.h"
#include "session/exchangeresult.h"

#include <QByteArray>
#include <QList>
#include <QString>

// rm740ctl's results as the bridge's projector families, one projector a
// port labelled with the port's name: what a run read (status, lamp-time,
// temperatures, ...) and whether the line answered, for node_exporter's
// textfile collector.
class MetricsFormat
{
public:
    void add(const ExchangeResult &result);
    // The port did not open, or went away: its line is down.
    void portFailed(const QString &port);
    // Prometheus' text format, the ports in the order they first came.
    [[nodiscard]] QByteArray text() const;

private:
    struct Port {
        QString name;
        ProjectorState state;
        bool open = true;
        bool lineUp = false;
    };
    Port &port(const QString &name);

    QList<Port> m_ports;
};
