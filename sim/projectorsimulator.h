#pragma once

#include "sim/framesplitter.h"
#include "sim/linebehaviour.h"
#include "sim/projectormodel.h"
#include "sim/pseudoterminal.h"
#include "sim/simulatoroptions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

// A projector on the device end of a pseudo-terminal: frames in, the model's
// replies out, shaped by the line behaviour, and every exchange logged.
class ProjectorSimulator : public QObject
{
    Q_OBJECT

public:
    using LogSink = std::function<void(const QString &line)>;

    explicit ProjectorSimulator(const SimulatorOptions &options, QObject *parent = nullptr);

    [[nodiscard]] bool open();
    [[nodiscard]] QString devicePath() const { return m_terminal.devicePath(); }
    [[nodiscard]] QString errorString() const { return m_terminal.errorString(); }
    [[nodiscard]] bool isOpen() const { return m_terminal.isOpen(); }

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
    [[nodiscard]] static QString describe(const QList<LineBehaviour::Delivery> &deliveries,
                                          const SimulatorOptions &options);

    SimulatorOptions m_options;
    PseudoTerminal m_terminal;
    FrameSplitter m_splitter;
    ProjectorModel m_model;
    LineBehaviour m_behaviour;
    QElapsedTimer m_clock;
    QList<Pending> m_pending;  // in order of due time
    QTimer m_sendTimer;
    QTimer m_floodTimer;
    LogSink m_log;
};
