#pragma once

#include "exchange/transmitorigin.h"

#include <QList>
#include <QString>

class ExchangeRing;

// A hold sends about ten frames a second; the log shows them as one group
// (the first frame, how many, the last) that opens to the single frames.
namespace HoldGrouping {

// Whether a frame from `origin` is part of a hold.
[[nodiscard]] bool isHold(const TransmitOrigin &origin);
// Whether a frame from `next` goes on with the hold that the frame from
// `previous` began or went on with: a repeat of the same button.
[[nodiscard]] bool continues(const TransmitOrigin &previous, const TransmitOrigin &next);

// Consecutive records of the ring: a hold's frames together, any other
// record on its own.
struct Group {
    qsizetype first = 0;  // index in the ring
    qsizetype count = 0;  // records
    bool hold = false;

    friend bool operator==(const Group &, const Group &) = default;
};
[[nodiscard]] QList<Group> groups(const ExchangeRing &ring);

// What a hold's group says of itself: "Volume up held: 10 frames,
// 12:00:01.100 to 12:00:02.000".
[[nodiscard]] QString summary(const TransmitOrigin &origin, qsizetype frames, qint64 firstAtMs,
                              qint64 lastAtMs);

} // namespace HoldGrouping
