#pragma once

#include "sim/framesplitter.h"
#include "sim/model/projectormodel.h"
#include "sim/simulatorline.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

#include <functional>
#include <memory>

// The device end of a pseudo-terminal that the tests wire the program to (on
// Windows, which has none, a raw TCP port on the loopback, socket://...).
// It records every byte the program writes and answers frames on request.
class FakeProjector : public QObject
{
    Q_OBJECT

public:
    explicit FakeProjector(QObject *parent = nullptr);

    [[nodiscard]] bool open() { return m_line->open(); }
    // Puts a fresh one with its pseudo-terminal open in `slot`; false when it does not open.
    [[nodiscard]] static bool openFresh(std::unique_ptr<FakeProjector> &slot)
    {
        slot = std::make_unique<FakeProjector>();
        return slot->open();
    }
    [[nodiscard]] QString devicePath() const { return m_line->address(); }
    // Unplugs the device.
    void hangUp();

    // Everything the program has written so far.
    [[nodiscard]] const QByteArray &received() const { return m_received; }
    // Complete frames (text and CR) the program has written so far.
    [[nodiscard]] QList<QByteArray> frames() const;
    void clearReceived() { m_received.clear(); }

    // Bytes sent before the program is connected wait for it, as a
    // pseudo-terminal holds them until the program reads.
    void send(QByteArrayView bytes);

    // Called with each complete frame; what it returns is sent back.
    void setResponder(std::function<QByteArray(const QByteArray &frame)> responder)
    {
        m_responder = std::move(responder);
    }

    // From now on every frame is answered as the simulated projector answers
    // it; the model is returned so a test can look at its state.
    ProjectorModel &emulateProjector(ProjectorModel::Timing timing = {});

    [[nodiscard]] SimulatorLine &terminal() { return *m_line; }

private:
    void take(const QByteArray &bytes);
    void partnerCame();

    std::unique_ptr<SimulatorLine> m_line;
    QByteArray m_received;
    // A network line drops what comes before the program's connection or
    // after it ended; a pseudo-terminal is always there.
    bool m_partnered;
    QByteArray m_unsent;
    FrameSplitter m_splitter;
    std::function<QByteArray(const QByteArray &)> m_responder;
    std::unique_ptr<ProjectorModel> m_model;
    QElapsedTimer m_clock;
};
