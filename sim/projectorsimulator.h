#pragma once

#include "sim/framesplitter.h"
#include "sim/linebehaviour.h"
#include "sim/model/projectormodel.h"
#include "sim/simulatorline.h"
#include "sim/simulatoroptions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

// A projector on the device end of a pseudo-terminal, or on a network port
// as a device server offers it: frames in, the model's replies out, shaped
// by the line behaviour, and every exchange logged, with the line's speed
// whenever the program has set it anew.
class ProjectorSimulator : public QObject
{
    Q_OBJECT

public:
    using LogSink = std::function<void(const QString &line)>;

    explicit ProjectorSimulator(const SimulatorOptions &options, QObject *parent = nullptr);

    [[nodiscard]] bool open();
    // The pseudo-terminal's device, or the network port's URL.
    [[nodiscard]] QString devicePath() const { return m_line->address(); }
    [[nodiscard]] QString errorString() const { return m_line->errorString(); }
    [[nodiscard]] bool isOpen() const { return m_line->isOpen(); }

    // Standard error unless set otherwise.
    void setLogSink(LogSink sink) { m_log = std::move(sink); }

    [[nodiscard]] const ProjectorModel &model() const { return m_model; }
    [[nodiscard]] ProjectorModel::Duration now() const;

signals:
    // The device was closed after the frames --drop-after allows.
    void hungUp();

private:
    struct Pending {
        ProjectorModel::Duration due;
        QByteArray bytes;
        bool hangUp = false;
    };

    void take(const QByteArray &bytes);
    void answer(const QByteArray &frameText);
    void schedule(Pending pending);
    void sendDue();
    void sendFlood();
    void hangUp();
    void log(const QString &line) const;
    void logEvent(const QString &event) const;
    void logLineSpeed();
    [[nodiscard]] static QString describe(const QList<LineBehaviour::Delivery> &deliveries,
                                          const SimulatorOptions &options);

    SimulatorOptions m_options;
    std::unique_ptr<SimulatorLine> m_line;
    std::optional<qint32> m_loggedSpeed;
    FrameSplitter m_splitter;
    ProjectorModel m_model;
    LineBehaviour m_behaviour;
    QElapsedTimer m_clock;
    QList<Pending> m_pending;  // in order of due time
    QTimer m_sendTimer;
    QTimer m_floodTimer;
    LogSink m_log;
};
