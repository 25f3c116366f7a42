#pragma once

#include "rfc2217/serialparameters.h"
#include "rfc2217/telnetcodec.h"
#include "rfc2217/telnetoptions.h"

#include <QByteArray>

// The access server's side of RFC 2217 without a socket, as a device server
// plays it: it agrees to the COM-PORT-OPTION and to binary mode, sets the
// line as the client asks and answers each setting with the value in force.
class Rfc2217Server
{
public:
    struct Step {
        QByteArray data;   // bytes for the line
        QByteArray reply;  // to send to the client
        bool lineChanged = false;
    };

    explicit Rfc2217Server(const SerialParameters &line);

    [[nodiscard]] Step receive(QByteArrayView bytes);
    // Line data as it goes to the client.
    [[nodiscard]] QByteArray encode(QByteArrayView data) const;
    [[nodiscard]] const SerialParameters &line() const { return m_line; }

private:
    void take(const TelnetEvent &event, Step &step);

    SerialParameters m_line;
    TelnetDecoder m_decoder;
    TelnetOptions m_options;
};
