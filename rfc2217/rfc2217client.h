#pragma once

#include "rfc2217/comportoption.h"
#include "rfc2217/serialparameters.h"
#include "rfc2217/telnetcodec.h"
#include "rfc2217/telnetoptions.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The client side of RFC 2217 without a socket: what to send first, what to
// answer, which received bytes are line data, and whether the server has set
// the line up as asked. It asks for the COM-PORT-OPTION and binary mode both
// ways; once the server agrees to the option it sends the line settings, and
// the line is ready when every setting has been answered with the value
// asked for (any answer to the flow control, which some servers get wrong).
class Rfc2217Client
{
public:
    enum class State { Negotiating, Ready, Refused };

    struct Step {
        QByteArray data;   // bytes of the line
        QByteArray reply;  // to send to the server
    };

    explicit Rfc2217Client(const SerialParameters &parameters);

    [[nodiscard]] QByteArray start();
    [[nodiscard]] Step receive(QByteArrayView bytes);
    // Line data as it goes to the server.
    [[nodiscard]] QByteArray encode(QByteArrayView data) const;

    [[nodiscard]] State state() const { return m_state; }
    // Refused: why, in a few plain words.
    [[nodiscard]] QString refusal() const { return m_refusal; }

private:
    void take(const TelnetEvent &event, QByteArray &reply);
    void takeAnswer(const ComPortOption::Setting &answer);
    void refuse(const QString &why);
    void updateState();

    SerialParameters m_parameters;
    TelnetDecoder m_decoder;
    TelnetOptions m_options;
    QList<ComPortOption::Setting> m_unanswered;
    bool m_settingsSent = false;
    State m_state = State::Negotiating;
    QString m_refusal;
};
