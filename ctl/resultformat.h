#pragma once

#include "session/exchangeresult.h"

#include <QByteArray>
#include <QString>

// How rm740ctl prints an exchange: a line of tab-separated fields (the port
// when several are in use, the frame and the reply as the monitor renders
// them, the status text, the outcome's word), or one JSON object.
namespace ResultFormat {

[[nodiscard]] QString line(const ExchangeResult &result, bool withPort);

// {"port", "command", "sent", "reply", "complete", "status", "outcome", "elapsed_ms"} on
// one line; bytes are strings of as many characters (code point = byte
// value), control characters escaped; "status" is null without a decoder.
[[nodiscard]] QByteArray json(const ExchangeResult &result);

} // namespace ResultFormat
