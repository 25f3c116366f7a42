// The least a Qt 6 command-line exchange costs: a QCoreApplication that opens
// the port named on its command line, writes "CR0" and a CR and reads the
// reply up to its CR. bench_ctlstartup measures rm740ctl against it.
#include <QCoreApplication>
#include <QSerialPort>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QSerialPort port(QCoreApplication::arguments().value(1));
    port.setBaudRate(QSerialPort::Baud19200);
    if (!port.open(QIODevice::ReadWrite))
        return 1;
    port.write("CR0\r");
    QByteArray reply;
    while (!reply.contains('\r') && port.waitForReadyRead(5000))
        reply += port.readAll();
    std::fwrite(reply.constData(), 1, size_t(reply.size()), stdout);
    return reply.contains('\r') ? 0 : 3;
}
