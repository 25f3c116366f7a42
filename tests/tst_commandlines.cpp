// What every program says to --help and --version, and to an argument it
// does not know: the real programs, started as a shell starts them.

#include "support/childprocess.h"

#include <QProcess>
#include <QTest>

class CommandLinesTest : public QObject
{
    Q_OBJECT

private slots:
    void everyProgramAnswersHelpAndVersion_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("firstLine");
        const QList<std::pair<const char *, const char *>> programs{
            {"rm740-control", RM740_CONTROL_PATH},
            {"rm740-sim", RM740_SIM_PATH},
            {"rm740ctl", RM740CTL_PATH},
            {"rm740-bridge", RM740_BRIDGE_PATH},
        };
        for (const auto &[name, path] : programs) {
            QTest::addRow("%s --help", name) << path << "--help" << "Usage: ";
            QTest::addRow("%s --version", name) << path << "--version"
                                                << QStringLiteral("%1 %2").arg(name, PROJECT_VERSION);
        }
    }
    void everyProgramAnswersHelpAndVersion()
    {
        QFETCH(QString, program);
        QFETCH(QString, option);
        QFETCH(QString, firstLine);
        // A terminal without a display: the panel answers without one too.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1StringView(variable));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, {option});
        QVERIFY(process.waitForFinished(10000));
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QByteArray err = process.readAllStandardError();
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == 0, err.constData());
        QVERIFY2(out.startsWith(firstLine), qPrintable(out));
        QVERIFY2(err.isEmpty(), err.constData());
    }

    void thePanelRefusesWhatItDoesNotKnow()
    {
        QProcess process;
        process.start(QStringLiteral(RM740_CONTROL_PATH), {QStringLiteral("--port"), QStringLiteral("COM3")});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 64);
        const QByteArray err = process.readAllStandardError();
        QVERIFY2(err.contains("rm740-control: --port is not understood") && err.contains("Usage: rm740-control"),
                 err.constData());
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(CommandLinesTest)
#include "tst_commandlines.moc"
