#include "benchsupport.h"

#include "bridge/metrics/processfamilies.h"
#include "link/linksettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace Bench {

WireDevice::WireDevice()
{
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    m_path = QString::fromLocal8Bit(name);
    m_reader = std::thread([this] { readLoop(); });
}

WireDevice::~WireDevice()
{
    m_stop = true;
    if (m_reader.joinable())
        m_reader.join();
    if (m_master >= 0) {
        ::close(m_master);
        ::close(m_slave);
    }
}

void WireDevice::setResponder(Responder responder)
{
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

Clock::time_point WireDevice::lastReplyWritten() const
{
    std::lock_guard lock(m_mutex);
    return m_lastReply;
}

QList<WireDevice::Frame> WireDevice::frames() const
{
    std::lock_guard lock(m_mutex);
    return m_frames;
}

void WireDevice::clearFrames()
{
    std::lock_guard lock(m_mutex);
    m_frames.clear();
}

void WireDevice::writeFully(const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_master, data, size);
        if (n > 0) {
            data += n;
            size -= size_t(n);
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
            return;
        }
    }
}

void WireDevice::readLoop()
{
    char chunk[4096];
    while (!m_stop) {
        pollfd fd{m_master, POLLIN, 0};
        if (::poll(&fd, 1, 50) <= 0)
            continue;
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n <= 0)
            continue;
        const Clock::time_point now = Clock::now();
        std::lock_guard lock(m_mutex);
        for (ssize_t i = 0; i < n; ++i) {
            m_partial += chunk[i];
            if (chunk[i] != '\r')
                continue;
            m_frames.append({now, m_partial});
            if (m_responder) {
                const QByteArray reply = m_responder(m_partial);
                if (!reply.isEmpty()) {
                    writeFully(reply.constData(), size_t(reply.size()));
                    m_lastReply = Clock::now();
                }
            }
            m_partial.clear();
        }
    }
}

void WireDevice::writeAll(const QByteArray &bytes, qsizetype chunk, const std::atomic<bool> &stop)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0 && !stop) {
        const qsizetype piece = std::min(chunk, left);
        writeFully(data, size_t(piece));
        data += piece;
        left -= piece;
    }
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype index = std::min(values.size() - 1, qsizetype(p / 100.0 * double(values.size())));
    return values[index];
}

double mean(const QList<double> &values)
{
    if (values.isEmpty())
        return 0;
    double sum = 0;
    for (double v : values)
        sum += v;
    return sum / double(values.size());
}

Summary summarise(const QList<double> &perRound)
{
    return {percentile(perRound, 50), perRound.isEmpty() ? 0 : *std::max_element(perRound.begin(), perRound.end())};
}

void useTemporarySettings(const QString &device)
{
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
    auto store = LinkSettings::openStore();
    store->clear();
    store->setValue(QStringLiteral("Ports/COM1"), device);
    store->setValue(QStringLiteral("StartUP/ComPort"), QStringLiteral("1"));
    store->setValue(QStringLiteral("StartUP/BaudRate"), QStringLiteral("192"));
    store->sync();
}

qint64 residentKiB(qint64 pid)
{
    QFile status(pid ? QStringLiteral("/proc/%1/status").arg(pid) : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

double cpuSeconds(qint64 pid)
{
    const auto readAll = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const auto figures = ProcessFamilies::read(readAll(QStringLiteral("/proc/%1/stat").arg(pid)),
                                               readAll(QStringLiteral("/proc/stat")), sysconf(_SC_CLK_TCK),
                                               sysconf(_SC_PAGESIZE), 0);
    return figures ? figures->cpuSeconds : 0;
}

void report(const QString &figure, const Summary &summary, const QString &unit, const QString &target)
{
    std::printf("| %-66s | %10.3f | %10.3f | %-4s | %-12s |\n", qPrintable(figure), summary.median,
                summary.worst, qPrintable(unit), qPrintable(target));
    std::fflush(stdout);
}

} // namespace Bench
