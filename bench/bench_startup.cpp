// From process start to the main window mapped on an X server, and resident
// memory at that moment; the same for another program given on the command
// line, reported as a ratio. Needs DISPLAY (bench.sh starts Xvfb).
//
//   bench_startup ROUNDS PROGRAM [OTHER-PROGRAM [ARGS...]]
//
// An argument "@DEVICE" of the other program stands for the device the
// panel's COM1 leads to (the floor window opens it).
#include "benchsupport.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

extern char **environ;

namespace {

struct Startup {
    double ms = 0;
    double residentMB = 0;
};

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

pid_t windowPid(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t pidAtom)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    pid_t pid = 0;
    if (reply && xcb_get_property_value_length(reply) == 4)
        pid = pid_t(*static_cast<uint32_t *>(xcb_get_property_value(reply)));
    std::free(reply);
    return pid;
}

// Starts `argv`, waits for a top-level window of its process to be mapped.
Startup measure(const QList<QByteArray> &command)
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "no X server (DISPLAY=%s): error %d\n", qgetenv("DISPLAY").constData(), xcb_connection_has_error(connection));
        std::exit(1);
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t pidAtom = atom(connection, "_NET_WM_PID");
    xcb_flush(connection);

    std::vector<char *> argv;
    for (const QByteArray &arg : command)
        argv.push_back(const_cast<char *>(arg.constData()));
    argv.push_back(nullptr);

    const auto started = Bench::Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    Startup result;
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
        const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
        std::free(event);
        if (mapped && windowPid(connection, window, pidAtom) == pid) {
            result.ms = Bench::millisecondsBetween(started, Bench::Clock::now());
            result.residentMB = double(Bench::residentKiB(pid)) / 1024.0;
            break;
        }
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    xcb_disconnect(connection);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup ROUNDS PROGRAM [OTHER-PROGRAM [ARGS...]]\n");
        return 2;
    }
    const int rounds = qMax(1, QByteArray(argv[1]).toInt());

    // The program starts against a device on COM1, so its main window is the
    // first it shows.
    Bench::WireDevice device;
    Bench::useTemporarySettings(device.devicePath());

    QList<QByteArray> ours{argv[2]};
    QList<QByteArray> other;
    for (int i = 3; i < argc; ++i)
        other.append(QByteArray(argv[i]) == "@DEVICE" ? device.devicePath().toLocal8Bit() : QByteArray(argv[i]));

    QList<double> ourMs, ourMB, otherMs, otherMB;
    measure(ours);  // a first start fills the caches of fonts and libraries
    for (int round = 0; round < rounds; ++round) {
        const Startup o = measure(ours);
        ourMs.append(o.ms);
        ourMB.append(o.residentMB);
        if (!other.isEmpty()) {
            const Startup c = measure(other);
            otherMs.append(c.ms);
            otherMB.append(c.residentMB);
        }
    }

    std::printf("Start-up to the main window mapped, %d rounds\n", rounds);
    Bench::report(QStringLiteral("rm740-control: time to window mapped"), Bench::summarise(ourMs), QStringLiteral("ms"), QStringLiteral("<= 300"));
    Bench::report(QStringLiteral("rm740-control: resident memory then"), Bench::summarise(ourMB), QStringLiteral("MB"), QStringLiteral("<= 60"));
    if (!other.isEmpty()) {
        const QString name = QFile::decodeName(other.first()).section(u'/', -1);
        Bench::report(name + QStringLiteral(": time to window mapped"), Bench::summarise(otherMs), QStringLiteral("ms"), QString());
        Bench::report(name + QStringLiteral(": resident memory then"), Bench::summarise(otherMB), QStringLiteral("MB"), QString());
        // Median over median, and worst over worst.
        const auto ratio = [](const QList<double> &a, const QList<double> &b) {
            const Bench::Summary x = Bench::summarise(a);
            const Bench::Summary y = Bench::summarise(b);
            return Bench::Summary{x.median / y.median, x.worst / y.worst};
        };
        Bench::report(QStringLiteral("time ratio rm740-control / ") + name, ratio(ourMs, otherMs), QStringLiteral("x"), QString());
        Bench::report(QStringLiteral("memory ratio rm740-control / ") + name, ratio(ourMB, otherMB), QStringLiteral("x"), QString());
    }
    return 0;
}
