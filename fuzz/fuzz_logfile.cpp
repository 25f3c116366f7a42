// Any bytes read as a log without fault; whatever reads as a log is written
// in both forms and reads back to the same rows.
#include "log/logfile.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    const LogFile::Reading reading = LogFile::read(in);
    if (!reading.ok())
        return 0;
    for (auto format : {LogFile::Format::Text, LogFile::Format::Csv}) {
        QBuffer out;
        out.open(QIODevice::ReadWrite);
        LogFile::write(out, reading.rows, format);
        out.seek(0);
        const LogFile::Reading again = LogFile::read(out);
        if (!again.ok() || again.rows != reading.rows)
            std::abort();
    }
    return 0;
}
