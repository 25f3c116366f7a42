// The telnet framing, option negotiation and COM-PORT-OPTION commands of
// RFC 2217, and the client and server sides built on them, without sockets.

#include "rfc2217/comportoption.h"
#include "rfc2217/rfc2217client.h"
#include "rfc2217/rfc2217server.h"
#include "rfc2217/telnetcodec.h"
#include "rfc2217/telnetoptions.h"
#include "sim/networkline.h"

#include <QRandomGenerator>
#include <QTest>
#include <QtEndian>

using Kind = TelnetEvent::Kind;
using ComPortOption::Command;
using ComPortOption::Setting;

Q_DECLARE_METATYPE(QList<TelnetEvent>)
Q_DECLARE_METATYPE(SerialParameters)
Q_DECLARE_METATYPE(Rfc2217Client::State)
Q_DECLARE_METATYPE(TelnetEvent::Kind)
Q_DECLARE_METATYPE(ComPortOption::Setting)

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

TelnetEvent sb(quint8 option, const char *payloadHex)
{
    return {Kind::Subnegotiation, option, hex(payloadHex)};
}

const SerialParameters Line9600{9600, SerialParameters::Parity::None, 8, SerialParameters::StopBits::One};
const SerialParameters Line19200{19200, SerialParameters::Parity::None, 8, SerialParameters::StopBits::One};

// What a server that agrees to everything answers to the client's settings
// for `baudHex` (four bytes in hex).
QByteArray acceptingAnswers(const char *baudHex)
{
    return hex("fffa2c65") + hex(baudHex) + hex("fff0" "fffa2c6608fff0" "fffa2c6701fff0" "fffa2c6801fff0"
                                               "fffa2c6901fff0");
}

} // namespace

class TelnetCodecTest : public QObject
{
    Q_OBJECT

private slots:
    // --- framing ---------------------------------------------------------------

    void decodesDataAndEvents_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<bool>("peerBinary");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<TelnetEvent>>("events");

        QTest::newRow("plain data") << QByteArrayList{"00\r"} << true << QByteArray("00\r") << QList<TelnetEvent>{};
        QTest::newRow("doubled IAC is one 0xFF") << QByteArrayList{hex("41ffff42")} << true << hex("41ff42")
                                                 << QList<TelnetEvent>{};
        QTest::newRow("doubled IAC split") << QByteArrayList{hex("41ff"), hex("ff42")} << true << hex("41ff42")
                                           << QList<TelnetEvent>{};
        QTest::newRow("WILL 44 a byte at a time") << QByteArrayList{hex("ff"), hex("fb"), hex("2c")} << true
                                                  << QByteArray() << QList<TelnetEvent>{{Kind::Will, 44, {}}};
        QTest::newRow("the four verbs between data")
            << QByteArrayList{hex("30fffb2c31fffc0032fffd2c33fffe01")} << true << QByteArray("0123")
            << QList<TelnetEvent>{{Kind::Will, 44, {}}, {Kind::Wont, 0, {}}, {Kind::Do, 44, {}}, {Kind::Dont, 1, {}}};
        QTest::newRow("a baud rate answer") << QByteArrayList{hex("fffa2c6500002580fff0")} << true
                                            << QByteArray() << QList<TelnetEvent>{sb(44, "6500002580")};
        QTest::newRow("an answer split everywhere")
            << QByteArrayList{hex("ff"), hex("fa"), hex("2c65"), hex("00004b"), hex("00ff"), hex("f0")} << true
            << QByteArray() << QList<TelnetEvent>{sb(44, "6500004b00")};
        QTest::newRow("doubled IAC inside a subnegotiation")
            << QByteArrayList{hex("fffa2c650000ff"), hex("ffff"), hex("fffff0")} << true << QByteArray()
            << QList<TelnetEvent>{sb(44, "650000ffff")};
        QTest::newRow("other commands are dropped") << QByteArrayList{hex("30fff131fff932fff333fff6")} << true
                                                    << QByteArray("0123") << QList<TelnetEvent>{};
        QTest::newRow("IAC and a byte that is no command") << QByteArrayList{hex("30ff4131")} << true
                                                           << QByteArray("01") << QList<TelnetEvent>{};
        QTest::newRow("a subnegotiation too long is dropped")
            << QByteArrayList{hex("fffa2c") + QByteArray(TelnetDecoder::MaxSubnegotiation + 1, 'x'),
                              hex("fff0") + "00\r"}
            << true << QByteArray("00\r") << QList<TelnetEvent>{};
        QTest::newRow("the longest subnegotiation is kept")
            << QByteArrayList{hex("fffa05") + QByteArray(TelnetDecoder::MaxSubnegotiation, 'x') + hex("fff0")}
            << true << QByteArray()
            << QList<TelnetEvent>{{Kind::Subnegotiation, 5, QByteArray(TelnetDecoder::MaxSubnegotiation, 'x')}};
        QTest::newRow("a subnegotiation without end swallows what follows")
            << QByteArrayList{hex("fffa2c01"), QByteArray(100000, '0'), "00\r"} << true << QByteArray()
            << QList<TelnetEvent>{};
        QTest::newRow("a command ends a subnegotiation that lost its IAC SE")
            << QByteArrayList{hex("fffa2c0102fffb0130")} << true << QByteArray("0")
            << QList<TelnetEvent>{{Kind::Will, 1, {}}};
        QTest::newRow("CR NUL is CR from a peer not in binary")
            << QByteArrayList{hex("300d00310d0a"), hex("0d"), hex("00")} << false << hex("300d310d0a0d")
            << QList<TelnetEvent>{};
        QTest::newRow("CR NUL stays from a peer in binary") << QByteArrayList{hex("300d00")} << true
                                                            << hex("300d00") << QList<TelnetEvent>{};
        QTest::newRow("NUL without CR is data") << QByteArrayList{hex("3000")} << false << hex("3000")
                                                << QList<TelnetEvent>{};
    }
    void decodesDataAndEvents()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(bool, peerBinary);
        QFETCH(QByteArray, data);
        QFETCH(QList<TelnetEvent>, events);

        TelnetDecoder decoder;
        decoder.setPeerSendsBinary(peerBinary);
        QByteArray gotData;
        QList<TelnetEvent> gotEvents;
        for (const QByteArray &chunk : std::as_const(chunks)) {
            const TelnetDecoder::Output output = decoder.decode(chunk);
            gotData += output.data;
            gotEvents += output.events;
        }
        QCOMPARE(gotData.toHex(' '), data.toHex(' '));
        QCOMPARE(gotEvents, events);
    }

    void encodesDataAndCommands_data()
    {
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("a frame in binary") << Telnet::encodeData("CR0\r", true) << QByteArray("CR0\r");
        QTest::newRow("a frame not in binary") << Telnet::encodeData("CR0\r", false) << QByteArray("CR0\r", 5);
        QTest::newRow("0xFF doubled") << Telnet::encodeData(hex("ff00ff"), true) << hex("ffff00ffff");
        QTest::newRow("WILL 44") << Telnet::negotiation(Kind::Will, 44) << hex("fffb2c");
        QTest::newRow("DONT 0") << Telnet::negotiation(Kind::Dont, 0) << hex("fffe00");
        QTest::newRow("SET-BAUDRATE 9600")
            << Telnet::subnegotiation(44, ComPortOption::payload({Command::SetBaudRate, 9600}, false))
            << hex("fffa2c0100002580fff0");
        QTest::newRow("SET-BAUDRATE 19200")
            << Telnet::subnegotiation(44, ComPortOption::payload({Command::SetBaudRate, 19200}, false))
            << hex("fffa2c0100004b00fff0");
        QTest::newRow("a value with 0xFF doubled")
            << Telnet::subnegotiation(44, ComPortOption::payload({Command::SetBaudRate, 0xff}, false))
            << hex("fffa2c01000000fffffff0");
        QTest::newRow("the server's answer") << ComPortOption::payload({Command::SetBaudRate, 19200}, true)
                                             << hex("6500004b00");
        QTest::newRow("SET-DATASIZE 8") << ComPortOption::payload({Command::SetDataSize, 8}, false) << hex("0208");
        QTest::newRow("SET-CONTROL, no flow control")
            << ComPortOption::payload({Command::SetControl, ComPortOption::NoFlowControl}, false) << hex("0501");
    }
    void encodesDataAndCommands()
    {
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, expected);
        QCOMPARE(encoded.toHex(' '), expected.toHex(' '));
    }

    void anyBytesComeBackAsSentInAnyPieces_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("binary");
        for (quint32 seed : {1u, 2u, 3u}) {
            QTest::addRow("seed %u, binary", seed) << seed << true;
            QTest::addRow("seed %u, not binary", seed) << seed << false;
        }
    }
    void anyBytesComeBackAsSentInAnyPieces()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, binary);
        QRandomGenerator random(seed);
        QByteArray data(4096, Qt::Uninitialized);
        for (char &b : data)
            b = char(random.bounded(256));
        const QByteArray encoded = Telnet::encodeData(data, binary);

        TelnetDecoder decoder;
        decoder.setPeerSendsBinary(binary);
        QByteArray decoded;
        for (qsizetype at = 0; at < encoded.size();) {
            const qsizetype piece = qMin<qsizetype>(random.bounded(1, 8), encoded.size() - at);
            const TelnetDecoder::Output output = decoder.decode(QByteArrayView(encoded).sliced(at, piece));
            QVERIFY(output.events.isEmpty());
            decoded += output.data;
            at += piece;
        }
        QCOMPARE(decoded.size(), data.size());
        QVERIFY(decoded == data);
    }

    // --- options -----------------------------------------------------------------

    void answersNegotiationsOnce_data()
    {
        QTest::addColumn<QList<TelnetEvent>>("received");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<bool>("localOn");   // option 0 here
        QTest::addColumn<bool>("remoteOn");  // option 0 on the peer

        QTest::newRow("WILL accepted, said twice")
            << QList<TelnetEvent>{{Kind::Will, 0, {}}, {Kind::Will, 0, {}}} << hex("fffd00") << false << true;
        QTest::newRow("DO accepted, said twice")
            << QList<TelnetEvent>{{Kind::Do, 0, {}}, {Kind::Do, 0, {}}} << hex("fffb00") << true << false;
        QTest::newRow("WILL of an option not wanted") << QList<TelnetEvent>{{Kind::Will, 1, {}}} << hex("fffe01")
                                                      << false << false;
        QTest::newRow("DO of an option not offered") << QList<TelnetEvent>{{Kind::Do, 3, {}}} << hex("fffc03")
                                                     << false << false;
        QTest::newRow("switched on, then off")
            << QList<TelnetEvent>{{Kind::Will, 0, {}}, {Kind::Wont, 0, {}}, {Kind::Wont, 0, {}}}
            << hex("fffd00fffe00") << false << false;
        QTest::newRow("WONT and DONT of what is off") << QList<TelnetEvent>{{Kind::Wont, 0, {}}, {Kind::Dont, 0, {}}}
                                                      << QByteArray() << false << false;
    }
    void answersNegotiationsOnce()
    {
        QFETCH(QList<TelnetEvent>, received);
        QFETCH(QByteArray, replies);
        QFETCH(bool, localOn);
        QFETCH(bool, remoteOn);
        TelnetOptions options({0}, {0});
        QByteArray got;
        for (const TelnetEvent &event : std::as_const(received))
            got += options.answer(event);
        QCOMPARE(got.toHex(' '), replies.toHex(' '));
        QCOMPARE(options.isLocalOn(0), localOn);
        QCOMPARE(options.isRemoteOn(0), remoteOn);
    }

    void aRequestIsAnsweredWithoutAReply_data()
    {
        QTest::addColumn<Kind>("answer");
        QTest::addColumn<bool>("on");
        QTest::newRow("agreed") << Kind::Do << true;
        QTest::newRow("refused") << Kind::Dont << false;
    }
    void aRequestIsAnsweredWithoutAReply()
    {
        QFETCH(Kind, answer);
        QFETCH(bool, on);
        TelnetOptions options({44}, {});
        QCOMPARE(options.requestLocal(44).toHex(), hex("fffb2c").toHex());
        QVERIFY(options.requestLocal(44).isEmpty());  // asked already
        QVERIFY(options.isLocalPending(44));
        QCOMPARE(options.answer({answer, 44, {}}), QByteArray());
        QVERIFY(!options.isLocalPending(44));
        QCOMPARE(options.isLocalOn(44), on);
    }

    // --- COM-PORT-OPTION -------------------------------------------------------------

    void readsComPortMessages_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("command");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<bool>("fromServer");

        QTest::newRow("SET-BAUDRATE 19200") << hex("0100004b00") << true << 1 << 19200u << false;
        QTest::newRow("its answer, 9600") << hex("6500002580") << true << 1 << 9600u << true;
        QTest::newRow("SET-PARITY answer") << hex("6701") << true << 3 << 1u << true;
        QTest::newRow("PURGE-DATA answer") << hex("7003") << true << 12 << 3u << true;
        QTest::newRow("speed too short") << hex("65002580") << false << 0 << 0u << false;
        QTest::newRow("size too long") << hex("660808") << false << 0 << 0u << false;
        QTest::newRow("no value") << hex("66") << false << 0 << 0u << false;
        QTest::newRow("a server's signature") << QByteArray("dser2net") << true << 0 << 0u << true;
        QTest::newRow("modem state notification") << hex("6bb0") << true << 7 << 0xb0u << true;
        QTest::newRow("modem state poll") << hex("07") << true << 7 << 0u << false;
        QTest::newRow("a poll with two bytes") << hex("070000") << false << 0 << 0u << false;
        QTest::newRow("empty") << QByteArray() << false << 0 << 0u << false;
    }
    void readsComPortMessages()
    {
        QFETCH(QByteArray, payload);
        QFETCH(bool, valid);
        QFETCH(int, command);
        QFETCH(quint32, value);
        QFETCH(bool, fromServer);
        const auto message = ComPortOption::parse(payload);
        QCOMPARE(message.has_value(), valid);
        if (!valid)
            return;
        QCOMPARE(int(message->setting.command), command);
        QCOMPARE(message->setting.value, value);
        QCOMPARE(message->fromServer, fromServer);
    }

    void asksForTheLineInTheRecommendedOrder()
    {
        const SerialParameters line{19200, SerialParameters::Parity::Even, 7, SerialParameters::StopBits::Two};
        const QList<Setting> expected{{Command::SetBaudRate, 19200}, {Command::SetDataSize, 7},
                                      {Command::SetParity, 3}, {Command::SetStopSize, 2},
                                      {Command::SetControl, ComPortOption::NoFlowControl}};
        QCOMPARE(ComPortOption::lineSettings(line), expected);
    }

    // --- the client ----------------------------------------------------------------------

    void theClientSetsTheLineUp_data()
    {
        QTest::addColumn<SerialParameters>("line");
        QTest::addColumn<QByteArrayList>("server");  // what the server sends, in turn
        QTest::addColumn<Rfc2217Client::State>("state");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QByteArray>("encodedCr");  // how a CR goes out afterwards

        // The opening of ser2net 4.3: SGA both ways, ECHO offered and refused,
        // binary both ways, then DO COM-PORT-OPTION.
        const QByteArray ser2netOpening = hex("fffb03fffd03fffb01fffe01fffd00fffb00fffd2c");
        QTest::newRow("ser2net, 9600") << Line9600 << QByteArrayList{ser2netOpening, acceptingAnswers("00002580")}
                                       << Rfc2217Client::State::Ready << QString() << QByteArray("\r");
        QTest::newRow("ser2net, 19200, a byte at a time")
            << Line19200 << (QByteArrayList{ser2netOpening} + [] {
                   QByteArrayList bytes;
                   for (char b : acceptingAnswers("00004b00"))
                       bytes << QByteArray(1, b);
                   return bytes;
               }())
            << Rfc2217Client::State::Ready << QString() << QByteArray("\r");
        QTest::newRow("a notification is no answer")
            << Line9600 << QByteArrayList{ser2netOpening, hex("fffa2c6b00fff0")} << Rfc2217Client::State::Negotiating
            << QString() << QByteArray("\r");
        QTest::newRow("no answer to the settings") << Line9600 << QByteArrayList{ser2netOpening}
                                                   << Rfc2217Client::State::Negotiating << QString()
                                                   << QByteArray("\r");
        QTest::newRow("another speed set")
            << Line19200 << QByteArrayList{ser2netOpening, acceptingAnswers("00002580")}
            << Rfc2217Client::State::Refused
            << "the server did not accept the line settings (19200 baud asked for, 9600 baud set)"
            << QByteArray("\r");
        QTest::newRow("no COM-PORT-OPTION") << Line9600 << QByteArrayList{hex("fffd00fffb00fffe2c")}
                                            << Rfc2217Client::State::Refused
                                            << "the server did not accept the line settings (it does not offer RFC 2217)"
                                            << QByteArray("\r");
        QTest::newRow("no binary mode: CR goes with NUL")
            << Line9600 << QByteArrayList{hex("fffe00fffc00fffd2c"), acceptingAnswers("00002580")}
            << Rfc2217Client::State::Ready << QString() << QByteArray("\r", 2);
        QTest::newRow("a wrong answer to the flow control is taken")
            << Line9600
            << QByteArrayList{hex("fffd00fffb00fffd2c"),
                              acceptingAnswers("00002580").replace(hex("fffa2c6901fff0"), hex("fffa2c6903fff0"))}
            << Rfc2217Client::State::Ready << QString() << QByteArray("\r");
    }
    void theClientSetsTheLineUp()
    {
        QFETCH(SerialParameters, line);
        QFETCH(QByteArrayList, server);
        QFETCH(Rfc2217Client::State, state);
        QFETCH(QString, refusal);
        QFETCH(QByteArray, encodedCr);

        Rfc2217Client client(line);
        QCOMPARE(client.start().toHex(' '), hex("fffb2c fffb00 fffd00").toHex(' '));
        QByteArray sent;
        for (const QByteArray &bytes : std::as_const(server)) {
            const Rfc2217Client::Step step = client.receive(bytes);
            QCOMPARE(step.data, QByteArray());
            sent += step.reply;
        }
        QCOMPARE(client.state(), state);
        QCOMPARE(client.refusal(), refusal);
        QCOMPARE(client.encode("\r"), encodedCr);
        if (server.first().contains(hex("fffd2c"))) {
            // The settings went out once COM-PORT-OPTION was agreed, speed first.
            QByteArray speed(4, '\0');
            qToBigEndian(quint32(line.baudRate), speed.data());
            QVERIFY2(sent.contains(hex("fffa2c01") + speed + hex("fff0" "fffa2c0208fff0" "fffa2c0301fff0"
                                                                "fffa2c0401fff0" "fffa2c0501fff0")),
                     sent.toHex(' ').constData());
            QCOMPARE(sent.count(hex("fffa2c01")), 1);
        }
    }

    void lineBytesPassAroundTheNegotiation()
    {
        Rfc2217Client client(Line9600);
        (void)client.start();
        const Rfc2217Client::Step step = client.receive(hex("30fffd2c31ffff32"));
        QCOMPARE(step.data, hex("3031ff32"));
        QVERIFY(step.reply.startsWith(hex("fffa2c01")));
    }

    // --- client and server ------------------------------------------------------------------

    void clientAndServerAgreeOnTheLine_data()
    {
        QTest::addColumn<SerialParameters>("line");
        QTest::newRow("9600") << Line9600;
        QTest::newRow("4800,E,7,2")
            << SerialParameters{4800, SerialParameters::Parity::Even, 7, SerialParameters::StopBits::Two};
    }
    void clientAndServerAgreeOnTheLine()
    {
        QFETCH(SerialParameters, line);
        Rfc2217Client client(line);
        Rfc2217Server server(SerialParameters{1200, SerialParameters::Parity::Odd, 5, SerialParameters::StopBits::One});
        QByteArray toServer = client.start();
        bool lineChanged = false;
        for (int turn = 0; turn < 10 && !toServer.isEmpty(); ++turn) {
            const Rfc2217Server::Step s = server.receive(toServer);
            lineChanged = lineChanged || s.lineChanged;
            toServer = client.receive(s.reply).reply;
        }
        QCOMPARE(client.state(), Rfc2217Client::State::Ready);
        QCOMPARE(server.line(), line);
        QVERIFY(lineChanged);

        // Every byte of a frame, 0xFF and CR included, arrives as it was.
        const QByteArray frame = hex("ff0d00ffff") + "CR0\r";
        QCOMPARE(server.receive(client.encode(frame)).data.toHex(), frame.toHex());
        QCOMPARE(client.receive(server.encode(frame)).data.toHex(), frame.toHex());
    }

    void theServerAnswersWithTheValueInForce_data()
    {
        QTest::addColumn<Setting>("asked");
        QTest::addColumn<Setting>("answered");
        QTest::addColumn<bool>("lineChanged");
        QTest::newRow("a new speed") << Setting{Command::SetBaudRate, 19200} << Setting{Command::SetBaudRate, 19200}
                                     << true;
        QTest::newRow("the same speed") << Setting{Command::SetBaudRate, 9600} << Setting{Command::SetBaudRate, 9600}
                                        << false;
        QTest::newRow("the speed asked for") << Setting{Command::SetBaudRate, 0} << Setting{Command::SetBaudRate, 9600}
                                             << false;
        QTest::newRow("9 data bits") << Setting{Command::SetDataSize, 9} << Setting{Command::SetDataSize, 8} << false;
        QTest::newRow("parity 6") << Setting{Command::SetParity, 6} << Setting{Command::SetParity, 1} << false;
        QTest::newRow("flow control") << Setting{Command::SetControl, 1} << Setting{Command::SetControl, 1} << false;
    }
    void theServerAnswersWithTheValueInForce()
    {
        QFETCH(Setting, asked);
        QFETCH(Setting, answered);
        QFETCH(bool, lineChanged);
        Rfc2217Server server(Line9600);
        const Rfc2217Server::Step step =
            server.receive(Telnet::subnegotiation(44, ComPortOption::payload(asked, false)));
        QCOMPARE(step.reply.toHex(' '),
                 Telnet::subnegotiation(44, ComPortOption::payload(answered, true)).toHex(' '));
        QCOMPARE(step.lineChanged, lineChanged);
    }

    // The projector's side as the simulator serves it: 9600 or 19200, 8N1, no
    // flow control; requests answered with the value in force.
    void theProjectorsServerAnswersAsTheRfcAsks_data()
    {
        QTest::addColumn<Setting>("asked");
        QTest::addColumn<QByteArray>("answer");  // the server's payload; empty: none
        const auto from = [](Command command, quint32 value, QByteArray text = {}) {
            return ComPortOption::payload({command, value, text}, true);
        };
        QTest::newRow("flow control asked") << Setting{Command::SetControl, 0} << from(Command::SetControl, 1);
        QTest::newRow("BREAK asked") << Setting{Command::SetControl, 4} << from(Command::SetControl, 6);
        QTest::newRow("DTR asked") << Setting{Command::SetControl, 7} << from(Command::SetControl, 8);
        QTest::newRow("RTS asked") << Setting{Command::SetControl, 10} << from(Command::SetControl, 11);
        QTest::newRow("hardware flow control") << Setting{Command::SetControl, 3} << from(Command::SetControl, 1);
        QTest::newRow("4800, which it cannot run") << Setting{Command::SetBaudRate, 4800}
                                                   << from(Command::SetBaudRate, 9600);
        QTest::newRow("7 data bits") << Setting{Command::SetDataSize, 7} << from(Command::SetDataSize, 8);
        QTest::newRow("its signature asked") << Setting{Command::Signature, 0}
                                             << from(Command::Signature, 0, "rm740-sim");
        QTest::newRow("a client's signature") << Setting{Command::Signature, 0, "pyserial"} << QByteArray();
        QTest::newRow("line state mask") << Setting{Command::SetLineStateMask, 0x10}
                                         << from(Command::SetLineStateMask, 0x10);
        QTest::newRow("modem state mask") << Setting{Command::SetModemStateMask, 0x30}
                                          << from(Command::SetModemStateMask, 0x30);
        QTest::newRow("modem state polled") << Setting{Command::NotifyModemState, 0}
                                            << from(Command::NotifyModemState, 0xB0);
    }
    void theProjectorsServerAnswersAsTheRfcAsks()
    {
        QFETCH(Setting, asked);
        QFETCH(QByteArray, answer);
        Rfc2217Server server(Line9600, NetworkLine::projectorSide());
        QByteArray payload = ComPortOption::payload(asked, false);
        if (asked.command == Command::NotifyModemState)
            payload.chop(1);  // a poll has no value
        const Rfc2217Server::Step step = server.receive(Telnet::subnegotiation(44, payload));
        QCOMPARE(step.reply.toHex(' '),
                 (answer.isEmpty() ? QByteArray() : Telnet::subnegotiation(44, answer)).toHex(' '));
        // A line it cannot run is left as it is.
        QCOMPARE(server.line(), Line9600);
    }

    void theProjectorsServerOffersBinaryAndTellsTheModemLines()
    {
        Rfc2217Server server(Line9600, NetworkLine::projectorSide());
        QCOMPARE(server.start().toHex(' '), hex("fffb00fffd00").toHex(' '));
        // The client's agreement brings the modem lines at once (CTS, DSR and CD),
        // later only what the mask lets through.
        QCOMPARE(server.receive(hex("fffb2c")).reply.toHex(' '),
                 (hex("fffd2c") + Telnet::subnegotiation(44, hex("6bb0"))).toHex(' '));
        (void)server.receive(Telnet::subnegotiation(44, hex("0b10")));
        QCOMPARE(server.receive(Telnet::subnegotiation(44, hex("07"))).reply.toHex(' '),
                 Telnet::subnegotiation(44, hex("6b10")).toHex(' '));
    }
};

QTEST_GUILESS_MAIN(TelnetCodecTest)
#include "tst_telnetcodec.moc"
