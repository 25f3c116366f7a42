#pragma once

#include <QProcess>

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

} // namespace ChildProcess
