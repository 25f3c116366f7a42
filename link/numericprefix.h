#pragma once

#include <QStringView>

#include <optional>

// Stored link settings are texts that are read the way the original program's
// runtime read numbers: the leading number counts, anything else reads as 0.
namespace NumericPrefix {

// Value of the number at the start of `text` (leading blanks skipped, optional
// sign, digits with an optional decimal fraction and an optional exponent:
// "e", "E", "d" or "D", an optional sign and digits), rounded to the nearest
// whole number with halves to even. A text that does not start with a number is 0.
[[nodiscard]] double value(QStringView text);

// The whole text as a number from `minimum` to `maximum` (read as above, with
// an optional plus sign but no minus, surrounding blanks allowed).
// Anything else, including an empty text, gives nothing.
[[nodiscard]] std::optional<int> wholeNumberInRange(QStringView text, int minimum, int maximum);

} // namespace NumericPrefix
