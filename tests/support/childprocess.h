#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

namespace ChildProcess {

// Ends a process the test started, as a signal would, or kills it if it hangs.
inline void end(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

struct Finished {
    int exitCode = -1;  // -1: it crashed or did not finish in time
    QByteArray output;  // both channels
};

// Runs a tool to its end with `input` on its standard input.
inline Finished run(const QString &program, const QStringList &arguments, const QByteArray &input = {},
                    int timeoutMs = 30000)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (!finished)
        end(process);
    return {finished ? process.exitCode() : -1, process.readAll()};
}

} // namespace ChildProcess
