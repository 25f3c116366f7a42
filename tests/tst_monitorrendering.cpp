#include "exchange/monitorrendering.h"
#include "exchange/receivebuffer.h"

#include <QRandomGenerator>
#include <QTest>

using MonitorRendering::Legends;

class MonitorRenderingTest : public QObject
{
    Q_OBJECT

private slots:
    void rendersEachCharacterClass_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("rendering");
        QTest::addColumn<bool>("crLegend");
        QTest::addColumn<bool>("spaceLegend");

        QTest::newRow("empty") << QByteArray() << " " << false << false;
        QTest::newRow("frame C00") << QByteArray("C00\r") << " C 0 0  [CR] " << true << false;
        QTest::newRow("lone ACK") << QByteArray("\x06") << "  [ACK] " << false << false;
        QTest::newRow("LF has two trailing blanks") << QByteArray("\n") << "  [LF]  " << false << false;
        QTest::newRow("space") << QByteArray(" ") << " _ " << false << true;
        QTest::newRow("z is printable") << QByteArray("z") << " z " << false << false;
        QTest::newRow("brace is past z") << QByteArray("{") << " ? " << false << false;
        QTest::newRow("tilde is past z") << QByteArray("~") << " ? " << false << false;
        QTest::newRow("DEL") << QByteArray("\x7f") << " ? " << false << false;
        QTest::newRow("TAB") << QByteArray("\t") << " ? " << false << false;
        QTest::newRow("NUL") << QByteArray(1, '\0') << " ? " << false << false;
        QTest::newRow("high bytes") << QByteArray("\x80\xff") << " ? ? " << false << false;
        QTest::newRow("first printable") << QByteArray("!") << " ! " << false << false;
        QTest::newRow("lamp status reply") << QByteArray("000 1I\r") << " 0 0 0 _ 1 I  [CR] " << true << true;
        QTest::newRow("ACK then status") << QByteArray("\x06" "00\r") << "  [ACK] 0 0  [CR] " << true << false;
        QTest::newRow("CRLF") << QByteArray("\r\n") << "  [CR]  [LF]  " << true << false;
    }
    void rendersEachCharacterClass()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, rendering);
        QFETCH(bool, crLegend);
        QFETCH(bool, spaceLegend);
        Legends legends;
        QCOMPARE(MonitorRendering::render(text, &legends), rendering);
        QCOMPARE(legends.carriageReturn, crLegend);
        QCOMPARE(legends.space, spaceLegend);
    }

    void placesTheKthCharacterAtColumn2k()
    {
        const QByteArray reply("025.0 031.5 040.0");
        const QString r = MonitorRendering::render(reply);
        for (qsizetype k = 1; k <= reply.size(); ++k) {
            const QChar expected = reply[k - 1] == ' ' ? u'_' : QChar::fromLatin1(reply[k - 1]);
            QCOMPARE(r[2 * k - 1], expected);  // column 2k, counted from 1
            QCOMPARE(r[2 * k], u' ');
        }
    }

    void incrementalRenderingEqualsTheWholeRendering()
    {
        QRandomGenerator random(1234);
        for (int round = 0; round < 200; ++round) {
            QByteArray source;
            IncrementalRendering incremental;
            QString shown;
            const int pieces = 1 + int(random.bounded(8));
            for (int p = 0; p < pieces; ++p) {
                const int length = int(random.bounded(6));
                for (int i = 0; i < length; ++i)
                    source += char(random.bounded(256));
                const auto step = incremental.update(source);
                shown = step.restarted ? step.text : shown + step.text;
                Legends whole;
                QCOMPARE(shown, MonitorRendering::render(source, &whole));
                QCOMPARE(incremental.legends(), whole);
            }
        }
    }

    void incrementalRenderingRestartsWhenTheTextDoesNotContinue()
    {
        IncrementalRendering incremental;
        QVERIFY(incremental.update("AB").restarted);
        QVERIFY(!incremental.update("ABC").restarted);
        const auto step = incremental.update("XBC");
        QVERIFY(step.restarted);
        QCOMPARE(step.text, QStringLiteral(" X B C "));
        QVERIFY(incremental.update("").restarted);
    }

    void receiveBufferStopsAt32767Characters()
    {
        ReceiveBuffer buffer;
        QCOMPARE(buffer.append(QByteArray(32760, 'a')), 32760);
        QCOMPARE(buffer.append(QByteArray(10, 'b')), 7);
        QCOMPARE(buffer.size(), 32767);
        QCOMPARE(buffer.append("c"), 0);
        QCOMPARE(buffer.bytes().right(8), QByteArray("abbbbbbb"));
        buffer.clear();
        QCOMPARE(buffer.append("d"), 1);
        QCOMPARE(buffer.bytes(), QByteArray("d"));
    }
};

QTEST_GUILESS_MAIN(MonitorRenderingTest)
#include "tst_monitorrendering.moc"
