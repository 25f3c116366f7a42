#pragma once

#include "rfc2217/comportoption.h"
#include "rfc2217/serialparameters.h"
#include "rfc2217/telnetcodec.h"
#include "rfc2217/telnetoptions.h"

#include <QByteArray>
#include <QList>

// The access server's side of RFC 2217 without a socket, as a device server
// plays it: it offers binary mode both ways, agrees to the COM-PORT-OPTION,
// sets the line as the client asks where the device's side can run so, and
// answers each setting and each request with the value in force. It tells
// the modem lines' state as the client's mask asks.
class Rfc2217Server
{
public:
    // What the serial side behind the server can do.
    struct Device {
        QList<qint32> speeds;        // the speeds it runs at; empty: any
        bool fixedFormat = false;    // keeps the data size, parity and stop size it starts with
        quint8 modemState = ComPortOption::ModemState::Cts | ComPortOption::ModemState::Dsr
            | ComPortOption::ModemState::CarrierDetect;
        QByteArray signature = QByteArrayLiteral("RFC 2217 access server");
    };

    struct Step {
        QByteArray data;   // bytes for the line
        QByteArray reply;  // to send to the client
        bool lineChanged = false;
    };

    // A device that can do whatever the client asks.
    explicit Rfc2217Server(const SerialParameters &line);
    Rfc2217Server(const SerialParameters &line, Device device);

    // What the server sends as the connection opens.
    [[nodiscard]] QByteArray start();
    [[nodiscard]] Step receive(QByteArrayView bytes);
    // Line data as it goes to the client.
    [[nodiscard]] QByteArray encode(QByteArrayView data) const;
    [[nodiscard]] const SerialParameters &line() const { return m_line; }

private:
    void take(const TelnetEvent &event, Step &step);
    [[nodiscard]] std::optional<ComPortOption::Setting> answer(const ComPortOption::Setting &asked, Step &step);
    [[nodiscard]] quint32 control(quint32 asked);
    [[nodiscard]] bool canRun(const SerialParameters &line) const;
    [[nodiscard]] QByteArray modemStateNotice() const;

    SerialParameters m_line;
    const SerialParameters m_format;  // the line it started with
    Device m_device;
    TelnetDecoder m_decoder;
    TelnetOptions m_options;
    quint32 m_break = ComPortOption::Control::BreakOff;
    quint32 m_dtr = ComPortOption::Control::DtrOn;
    quint32 m_rts = ComPortOption::Control::RtsOn;
    quint8 m_lineStateMask = 0;      // RFC 2217's initial masks
    quint8 m_modemStateMask = 255;
};
