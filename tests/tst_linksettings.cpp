#include "link/linksettings.h"
#include "link/numericprefix.h"
#include "link/portsgroup.h"
#include "rfc2217/serialparameters.h"
#include "support/testsettings.h"

#include <QSettings>
#include <QTest>

class LinkSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSettings::useTemporaryStore(); }
    void init() { TestSettings::clear(); }

    void readsTheLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");

        QTest::newRow("plain") << "15" << 15.0;
        QTest::newRow("default text") << "DATAC" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("negative") << "-3" << -3.0;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("leading blanks") << "  12" << 12.0;
        QTest::newRow("trailing text") << "3abc" << 3.0;
        QTest::newRow("half rounds to even, down") << "2.5" << 2.0;
        QTest::newRow("half rounds to even, up") << "3.5" << 4.0;
        QTest::newRow("half of one") << "0.5" << 0.0;
        QTest::newRow("fraction up") << "14.6" << 15.0;
        QTest::newRow("only a fraction") << ".7" << 1.0;
        QTest::newRow("dot alone") << "." << 0.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("huge") << "1000000000000000000000000000000" << 1e30;
        QTest::newRow("letters first") << "x15" << 0.0;
        QTest::newRow("exponent") << "1e1" << 10.0;
        QTest::newRow("capital exponent") << "2E1" << 20.0;
        QTest::newRow("D exponent") << "3D1" << 30.0;
        QTest::newRow("exponent with plus") << "1e+1" << 10.0;
        QTest::newRow("negative exponent") << "150e-1" << 15.0;
        QTest::newRow("fraction and exponent, rounded") << "1.45e1" << 14.0;
        QTest::newRow("fraction and exponent, half to even") << "1.25e1" << 12.0;
        QTest::newRow("exponent without digits") << "1e" << 1.0;
        QTest::newRow("exponent sign without digits") << "1e+" << 1.0;
        QTest::newRow("exponent mark alone") << "e1" << 0.0;
        QTest::newRow("dot and exponent") << ".5e1" << 5.0;
        QTest::newRow("huge exponent") << "1e30" << 1e30;
        QTest::newRow("exponent out of range") << "1e400" << 0.0;
        QTest::newRow("exponent, then text") << "1e1x" << 10.0;
    }
    void readsTheLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(NumericPrefix::value(text), value);
    }

    void readsPortNumbersAndBaudCodes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("baud");

        QTest::newRow("96") << "96" << 96 << 96;
        QTest::newRow("192") << "192" << 192 << 192;
        QTest::newRow("9600 does not fit a baud code") << "9600" << 9600 << 0;
        QTest::newRow("too large for a port number") << "40000" << 0 << 0;
        QTest::newRow("10^30 written out") << "1000000000000000000000000000000" << 0 << 0;
        QTest::newRow("an exponent counts") << "1e1" << 10 << 10;
        QTest::newRow("a fraction with an exponent") << "1.5e1" << 15 << 15;
        QTest::newRow("an exponent too large") << "1e30" << 0 << 0;
        QTest::newRow("negative baud") << "-96" << -96 << 0;
        QTest::newRow("default") << "DATAb" << 0 << 0;
    }
    void readsPortNumbersAndBaudCodes()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        QFETCH(int, baud);
        QCOMPARE(int(LinkSettings::portNumberFromText(text)), port);
        QCOMPARE(int(LinkSettings::baudCodeFromText(text)), baud);
    }

    void choosesTheSerialParameters_data()
    {
        QTest::addColumn<int>("baudCode");
        QTest::addColumn<QString>("parameters");
        QTest::newRow("96") << 96 << "9600,N,8,1";
        QTest::newRow("192") << 192 << "19200,N,8,1";
        QTest::newRow("0") << 0 << "19200,N,8,1";
        QTest::newRow("255") << 255 << "19200,N,8,1";
    }
    void choosesTheSerialParameters()
    {
        QFETCH(int, baudCode);
        QFETCH(QString, parameters);
        QCOMPARE(LinkSettings::serialParameters(quint8(baudCode)), parameters);
        const auto parsed = SerialParameters::parse(parameters);
        QVERIFY(parsed);
        QCOMPARE(parsed->baudRate, baudCode == 96 ? 9600 : 19200);
        QCOMPARE(parsed->parity, SerialParameters::Parity::None);
        QCOMPARE(parsed->dataBits, 8);
        QCOMPARE(parsed->stopBits, SerialParameters::StopBits::One);
    }

    void rejectsMalformedSerialParameters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("three fields") << "9600,N,8";
        QTest::newRow("bad parity") << "9600,X,8,1";
        QTest::newRow("bad data bits") << "9600,N,9,1";
        QTest::newRow("bad stop bits") << "9600,N,8,3";
        QTest::newRow("no baud") << "fast,N,8,1";
    }
    void rejectsMalformedSerialParameters()
    {
        QFETCH(QString, text);
        QVERIFY(!SerialParameters::parse(text));
    }

    void readsTheStoredLinkWithDefaults()
    {
        auto store = LinkSettings::openStore();
        QCOMPARE(LinkSettings::readPortNumber(*store), qint16(0));
        QCOMPARE(LinkSettings::readBaudCode(*store), quint8(0));

        TestSettings::storeLink(QStringLiteral("7"), QStringLiteral("96"));
        auto reread = LinkSettings::openStore();
        QCOMPARE(LinkSettings::readPortNumber(*reread), qint16(7));
        QCOMPARE(LinkSettings::readBaudCode(*reread), quint8(96));
    }

    void storesTheLinkAsDecimalText()
    {
        auto store = LinkSettings::openStore();
        LinkSettings::save(*store, 2, 96);
        QCOMPARE(TestSettings::value(QStringLiteral("StartUP"), QStringLiteral("ComPort")), QStringLiteral("2"));
        QCOMPARE(TestSettings::value(QStringLiteral("StartUP"), QStringLiteral("BaudRate")), QStringLiteral("96"));
    }

    void aValueOfAnotherTypeReadsAsZero()
    {
        auto store = LinkSettings::openStore();
        store->setValue(QStringLiteral("StartUP/ComPort"), QStringList{QStringLiteral("3"), QStringLiteral("4")});
        store->sync();
        QCOMPARE(LinkSettings::readPortNumber(*store), qint16(0));
    }

    void mapsPortNumbersToDevices()
    {
        auto store = LinkSettings::openStore();
#ifdef Q_OS_WIN
        QCOMPARE(PortsGroup::entryFor(3, *store), QStringLiteral("COM3"));
#else
        QCOMPARE(PortsGroup::entryFor(1, *store), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(PortsGroup::entryFor(15, *store), QStringLiteral("/dev/ttyS14"));
        TestSettings::mapPort(3, QStringLiteral("/dev/ttyUSB0"));
        auto reread = LinkSettings::openStore();
        QCOMPARE(PortsGroup::entryFor(3, *reread), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(PortsGroup::entryFor(4, *reread), QStringLiteral("/dev/ttyS3"));
#endif
    }

    void readsTheOtherFieldAsAWholeNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");  // -1: not a number from 0 to 255
        QTest::newRow("digit") << "7" << 7;
        QTest::newRow("two digits") << "12" << 12;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("255") << "255" << 255;
        QTest::newRow("256") << "256" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("letters") << "ab" << -1;
        QTest::newRow("digit then letter") << "1a" << -1;
        QTest::newRow("sign") << "-1" << -1;
        QTest::newRow("fraction rounds to even") << "2.5" << 2;
        QTest::newRow("huge") << "99999999999999999999" << -1;
        QTest::newRow("plus sign") << "+5" << 5;
        QTest::newRow("plus sign and blanks") << " +12 " << 12;
        QTest::newRow("plus sign alone") << "+" << -1;
        QTest::newRow("two signs") << "++5" << -1;
        QTest::newRow("exponent") << "1e1" << 10;
        QTest::newRow("plus and exponent") << "+1.5E1" << 15;
        QTest::newRow("exponent beyond 255") << "3e2" << -1;
        QTest::newRow("unfinished exponent") << "1e" << -1;
    }
    void readsTheOtherFieldAsAWholeNumber()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto value = NumericPrefix::wholeNumberInRange(text, 0, 255);
        QCOMPARE(value.value_or(-1), expected);
    }
};

QTEST_GUILESS_MAIN(LinkSettingsTest)
#include "tst_linksettings.moc"
