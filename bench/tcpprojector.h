#pragma once

#include "sim/model/projectormodel.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

// One projector on a TCP port: the model answers each frame; frames are counted.
class TcpProjector : public QObject
{
public:
    explicit TcpProjector(ProjectorModel::Timing timing = {}) : m_model(timing)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);  // a device server's replies go at once
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            }
        });
        m_clock.start();
    }
    [[nodiscard]] quint16 port() const { return m_server.serverPort(); }
    int frames = 0;

private:
    void read(QTcpSocket *socket)
    {
        m_buffer += socket->readAll();
        qsizetype cr;
        while ((cr = m_buffer.indexOf('\r')) >= 0) {
            const QByteArray frame = m_buffer.first(cr);  // the model takes the text without its CR
            m_buffer.remove(0, cr + 1);
            ++frames;
            socket->write(m_model.answer(frame, ProjectorModel::Duration(m_clock.elapsed())));
        }
    }

    QTcpServer m_server;
    ProjectorModel m_model;
    QElapsedTimer m_clock;
    QByteArray m_buffer;
};
