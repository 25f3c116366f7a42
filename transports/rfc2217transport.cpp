#include "transports/rfc2217transport.h"

QByteArray Rfc2217Transport::start(const SerialParameters &parameters)
{
    m_client.emplace(parameters);
    return m_client->start();
}

TcpTransport::Received Rfc2217Transport::decode(QByteArrayView bytes)
{
    Rfc2217Client::Step step = m_client->receive(bytes);
    return {std::move(step.data), std::move(step.reply)};
}

QByteArray Rfc2217Transport::encode(QByteArrayView data)
{
    return m_client->encode(data);
}

TcpTransport::SetUp Rfc2217Transport::setUpState() const
{
    switch (m_client ? m_client->state() : Rfc2217Client::State::Negotiating) {
    case Rfc2217Client::State::Negotiating: return SetUp::Pending;
    case Rfc2217Client::State::Ready: return SetUp::Done;
    case Rfc2217Client::State::Refused: return SetUp::Failed;
    }
    return SetUp::Pending;
}

QString Rfc2217Transport::setUpFailure() const
{
    return m_client ? m_client->refusal() : QString();
}
