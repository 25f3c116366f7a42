#include "sim/pseudoterminal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <utility>

PseudoTerminal::PseudoTerminal(QObject *parent)
    : SimulatorLine(parent)
{
}

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::open()
{
    if (isOpen())
        return true;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        m_master = m_slave = -1;
        return false;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_devicePath = QString::fromLocal8Bit(name);

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PseudoTerminal::readAvailable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PseudoTerminal::flushOutgoing);
    return true;
}

void PseudoTerminal::close()
{
    if (!isOpen())
        return;
    delete m_readNotifier;
    delete m_writeNotifier;
    m_readNotifier = m_writeNotifier = nullptr;
    ::close(m_master);
    ::close(m_slave);
    m_master = m_slave = -1;
    m_outgoing.clear();
    m_sent = 0;
}

void PseudoTerminal::write(QByteArrayView bytes)
{
    if (!isOpen())
        return;
    m_outgoing.append(bytes);
    flushOutgoing();
}

void PseudoTerminal::flushOutgoing()
{
    while (m_sent < m_outgoing.size()) {
        const ssize_t n = ::write(m_master, m_outgoing.constData() + m_sent,
                                  size_t(m_outgoing.size() - m_sent));
        if (n > 0) {
            m_sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;  // full for now (EAGAIN) or gone
    }
    const bool done = m_sent == m_outgoing.size();
    if (done) {
        m_outgoing.clear();
        m_sent = 0;
    }
    m_writeNotifier->setEnabled(!done);
    if (done)
        emit drained();
}

std::optional<qint32> PseudoTerminal::lineSpeed() const
{
    termios settings{};
    if (!isOpen() || ::tcgetattr(m_slave, &settings) != 0)
        return std::nullopt;
    static constexpr std::pair<speed_t, qint32> Speeds[] = {
        {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
        {B200, 200},     {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
        {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
        {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
    };
    const speed_t speed = ::cfgetospeed(&settings);
    for (const auto &[code, baud] : Speeds)
        if (code == speed)
            return baud;
    return std::nullopt;
}

void PseudoTerminal::readAvailable()
{
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n > 0) {
            emit received(QByteArray(chunk, n));
            if (!isOpen())
                return;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return;
    }
}
