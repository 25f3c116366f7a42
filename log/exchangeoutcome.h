#pragma once

struct ExchangeRecord;

// How an exchange went, judged from what came back:
// - NoReply: its reply window closed with nothing received (the "no reply" row);
// - Refused: the projector answered "?" (and CR): it did not take the command;
// - Unexpected: something came that is neither "?" nor the shape the frame
//   asks for: bytes nobody asked for, more than a record keeps, a read
//   command's reply that is not one line of text and CR or that the reply
//   interpretation could not read, anything but ACK to another command;
// - Answered: the shape the frame asks for;
// - Pending: nothing yet, its reply window still open or overtaken by the
//   next frame (a hold's frames).
// A port event is no exchange.
namespace ExchangeOutcome {

enum class Outcome { NotAnExchange, Pending, Answered, NoReply, Refused, Unexpected };

[[nodiscard]] Outcome of(const ExchangeRecord &record);

} // namespace ExchangeOutcome
