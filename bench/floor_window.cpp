// The least a Qt 6 serial window costs: a QApplication that opens the port
// named on its command line and shows one button. bench_startup measures
// the panel against it.
#include <QApplication>
#include <QPushButton>
#include <QSerialPort>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QSerialPort port(QApplication::arguments().value(1));
    port.setBaudRate(QSerialPort::Baud19200);
    if (!port.open(QIODevice::ReadWrite))
        return 1;
    QPushButton button(QStringLiteral("Power On"));
    button.show();
    return QApplication::exec();
}
