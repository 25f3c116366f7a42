#include "bridge/pjlink/pjlinkconnection.h"

#include "bridge/pjlink/pjlinkauth.h"
#include "bridge/projector/projectorservice.h"
#include "bridge/projector/wrongpasswords.h"

#include <QRandomGenerator>
#include <QTcpSocket>

QString PjlinkConnection::addressOf(const QTcpSocket &socket)
{
    const QHostAddress address = socket.peerAddress();
    return address.protocol() == QAbstractSocket::IPv6Protocol && !address.toIPv4Address()
        ? address.toString()
        : QHostAddress(address.toIPv4Address()).toString();
}

QString PjlinkConnection::peerOf(const QTcpSocket &socket)
{
    const QString address = addressOf(socket);
    const QString host = address.contains(u':') ? QStringLiteral("[%1]").arg(address) : address;
    return QStringLiteral("%1:%2").arg(host).arg(socket.peerPort());
}

PjlinkConnection::PjlinkConnection(QTcpSocket *socket, ProjectorService &service, const PjlinkSettings &settings,
                                   const WrongPasswords &wrong, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_service(service)
    , m_settings(settings)
    , m_peer(peerOf(*socket))
    , m_address(addressOf(*socket))
    , m_wrong(wrong)
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(ReadChunk);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        // Idle counts from the last byte received, whether or not it is read yet.
        m_idle.start();
        readRequests();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] { close({}); });
    // Reading paused for answers not taken goes on once they have drained.
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_socket->bytesToWrite() <= MostUnsent)
            readRequests();
    });
    m_idle.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: 28.5 s for 30.
    m_idle.setTimerType(Qt::PreciseTimer);
    m_idle.setInterval(m_settings.idleTimeout);
    // A request waiting for the projector is answered first; the answer starts it again.
    connect(&m_idle, &QTimer::timeout, this, [this] {
        if (!m_busy && !m_wait.isActive())
            close({});
    });
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &PjlinkConnection::readRequests);
    m_idle.start();

    if (m_settings.password) {
        m_challenge = PjlinkAuth::challenge(*QRandomGenerator::system());
        m_socket->write(Pjlink::greeting(m_challenge));
    } else {
        m_socket->write(Pjlink::greeting());
    }
}

void PjlinkConnection::readRequests()
{
    while (!m_busy && !m_closing && !m_wait.isActive() && m_socket->bytesToWrite() <= MostUnsent) {
        if (!m_lines.isEmpty()) {
            if (!m_challenge.isEmpty()) {
                // A digest of a guessing peer waits, and a shut-out one is let go.
                if (m_wrong.shutOut(m_address)) {
                    close({});
                    return;
                }
                if (const auto wait = m_wrong.waitFor(m_address); wait.count() > 0) {
                    m_wait.start(wait);
                    return;
                }
            }
            handle(m_lines.takeFirst());
            continue;
        }
        // The requests that came whole before the bad bytes are answered first.
        switch (m_reader.verdict()) {
        case Pjlink::LineReader::Verdict::Fine:
            break;
        case Pjlink::LineReader::Verdict::TooLong:
            close(tr("a line longer than a PJLink request"));
            return;
        case Pjlink::LineReader::Verdict::NotText:
            close(tr("bytes that are no PJLink text"));
            return;
        }
        const QByteArray bytes = m_socket->read(ReadChunk);
        if (bytes.isEmpty())
            return;
        (void)m_reader.feed(bytes);
        m_lines = m_reader.takeLines();
    }
}

void PjlinkConnection::handle(const QByteArray &line)
{
    m_requestClock.start();
    QByteArrayView requestText = line;
    if (!m_challenge.isEmpty()) {
        const Pjlink::DigestAndRest split = Pjlink::splitDigest(line);
        requestText = split.rest;
        if (!acceptsDigest(split.digest)) {
            m_socket->write(Pjlink::authenticationError());
            emit wrongPassword(QStringLiteral("%1 closed: %2")
                                   .arg(m_peer, split.digest.isEmpty() ? tr("authentication failed: no digest")
                                                                       : tr("authentication failed: wrong digest")));
            close({});
            return;
        }
        m_challenge.clear();
        emit authenticated();
    }
    m_requestText = requestText.toByteArray();
    const auto request = Pjlink::parseRequest(requestText);
    if (!request || requestText.size() + 1 > Pjlink::MaxRequestLength) {
        close(tr("\"%1\" is no PJLink request").arg(QString::fromLatin1(m_requestText.left(40))));
        return;
    }
    const PjlinkTable::Plan plan = PjlinkTable::plan(*request, m_settings.inputs);
    switch (plan.kind) {
    case PjlinkTable::Plan::Kind::Answer:
        answer(*request, PjlinkTable::answer(plan, {m_service.state(), m_settings.inputs, m_settings.identity}));
        return;
    case PjlinkTable::Plan::Kind::Query:
        m_busy = true;
        m_service.refresh(plan.reads, ProjectorService::Origin::Pjlink, this, [this, request = *request, plan] {
            answer(request, PjlinkTable::answer(plan, {m_service.state(), m_settings.inputs, m_settings.identity}));
        });
        return;
    case PjlinkTable::Plan::Kind::Set:
        m_busy = true;
        m_service.perform(plan.actions, ProjectorService::Origin::Pjlink, this, [this, request = *request](ActionOutcome outcome) {
            answer(request, PjlinkTable::answer(outcome));
        });
        return;
    }
}

bool PjlinkConnection::acceptsDigest(const QByteArray &digest) const
{
    return !digest.isEmpty() && PjlinkAuth::accepts(digest, m_challenge, *m_settings.password);
}

void PjlinkConnection::answer(const Pjlink::Request &request, QByteArrayView result)
{
    if (m_closing)
        return;
    const QByteArray response = Pjlink::response(request, result);
    m_socket->write(response);
    const QString ms = QString::number(double(m_requestClock.nsecsElapsed()) / 1e6, 'f', 1);
    writeLog(m_logged.take(QStringLiteral("%1 %2 -> %3")
                               .arg(m_peer, QString::fromLatin1(m_requestText), QString::fromLatin1(response.chopped(1))),
                           QStringLiteral(" (%1 ms)").arg(ms)));
    m_busy = false;
    m_idle.start();
    // The next request may already wait; not from inside the service's call.
    QMetaObject::invokeMethod(this, &PjlinkConnection::readRequests, Qt::QueuedConnection);
}

void PjlinkConnection::writeLog(const QStringList &lines)
{
    for (const QString &line : lines)
        emit logLine(line);
}

void PjlinkConnection::close(const QString &why)
{
    if (m_closing)
        return;
    m_closing = true;
    m_idle.stop();
    writeLog(m_logged.finish());
    if (!why.isEmpty())
        emit logLine(QStringLiteral("%1 closed: %2").arg(m_peer, why));
    emit closed();
    // What was written (an ERRA) goes out before the connection ends; a peer
    // that does not take it is not waited for long.
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    QTimer::singleShot(LingerMs, this, &QObject::deleteLater);
    m_socket->disconnectFromHost();
    if (m_socket->state() == QAbstractSocket::UnconnectedState)
        deleteLater();
}
