#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The projector's line: every command goes out as a frame, its text and one
// CR. A read command ("CR0", "CR LAMPSTS") answers with a line of text; every
// other command executes and is acknowledged with an ACK.
namespace Protocol {

inline constexpr char Ack = 0x06;
inline constexpr char Lf = 0x0A;
inline constexpr char Cr = 0x0D;

// The frame of a command text: the text and one CR, nothing trimmed or checked.
[[nodiscard]] QByteArray frame(QByteArrayView text);
// The command text of a frame: the frame without its CR.
[[nodiscard]] QByteArrayView textOf(QByteArrayView frame);

enum class Kind { Read, Execute };
[[nodiscard]] Kind kindOf(QByteArrayView frame);

} // namespace Protocol
