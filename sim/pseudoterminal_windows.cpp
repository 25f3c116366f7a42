#include "sim/pseudoterminal.h"

// Windows has no pseudo-terminals: the simulator is reached on a network port there.
PseudoTerminal::PseudoTerminal(QObject *parent)
    : SimulatorLine(parent)
{
}

PseudoTerminal::~PseudoTerminal() = default;

bool PseudoTerminal::open()
{
    m_error = QStringLiteral("Windows has none; listen on a network port with --tcp PORT or --rfc2217 PORT");
    return false;
}

void PseudoTerminal::write(QByteArrayView)
{
}

void PseudoTerminal::close()
{
}

std::optional<qint32> PseudoTerminal::lineSpeed() const
{
    return std::nullopt;
}
