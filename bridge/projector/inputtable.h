#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDebug>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// The projector's inputs under PJLink's numbers (a type digit, 1 RGB, 2 video,
// 3 digital, then a number), each one of the panel's input buttons.
class InputTable
{
public:
    struct Input {
        QByteArray code;   // "11"
        QByteArray frame;  // the panel button's frame, "C50" and CR
        int connector = 0; // what the projector's input read reports while it is in use
        friend bool operator==(const Input &, const Input &) = default;
    };

    // Every input button of the panel under its default number.
    [[nodiscard]] static InputTable defaults();
    // "CODE:FRAME" pairs separated by blanks or commas ("11:C50 12:C06"),
    // FRAME the text an input button of the panel sends. Nothing, with
    // `error` set, for a malformed pair, an unknown frame or a repeat.
    [[nodiscard]] static std::optional<InputTable> parse(QStringView text, QString *error);

    [[nodiscard]] const Input *byCode(QByteArrayView code) const;
    // An input by its panel button's accessible name ("Computer 1 Analog RGB"),
    // as the page and MQTT name it; case does not matter.
    [[nodiscard]] const Input *byName(QStringView name) const;
    [[nodiscard]] static QString nameOf(const Input &input);
    // The code to report while the projector is on `connector`: the one last
    // selected if it is on that connector (the read cannot tell a connector's
    // sources apart), else the first there. Nothing for a connector with no code.
    [[nodiscard]] std::optional<QByteArray> codeOn(int connector, QByteArrayView lastSelected) const;
    // The codes, space separated, in ascending order.
    [[nodiscard]] QByteArray codes() const;
    [[nodiscard]] const QList<Input> &inputs() const { return m_inputs; }

    friend bool operator==(const InputTable &, const InputTable &) = default;

private:
    QList<Input> m_inputs;  // ascending by code
};

QDebug operator<<(QDebug debug, const InputTable &table);
