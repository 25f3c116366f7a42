#include "sim/pseudoterminal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal(QObject *parent)
    : QObject(parent)
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
