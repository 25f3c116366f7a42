#pragma once

#include <QDebug>
#include <QStringView>

#include <optional>

// The serial control's "Settings" text, "baud,parity,data,stop" as in "9600,N,8,1".
struct SerialParameters {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    qint32 baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    [[nodiscard]] static std::optional<SerialParameters> parse(QStringView text);

    friend bool operator==(const SerialParameters &, const SerialParameters &) = default;
};

QDebug operator<<(QDebug debug, const SerialParameters &parameters);
