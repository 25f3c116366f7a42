#include "link/numericprefix.h"

#include <QString>

#include <cmath>

namespace {

struct Scan {
    qsizetype end = 0;    // one past the last character of the number
    bool hasDigits = false;
};

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isSign(QChar c) { return c == u'-' || c == u'+'; }
bool isExponentMark(QChar c) { return c == u'e' || c == u'E' || c == u'd' || c == u'D'; }

// An exponent at `from`: "e", "E", "d" or "D", an optional sign and digits.
// Returns where it ends, or `from` when there is none.
qsizetype scanExponent(QStringView text, qsizetype from)
{
    if (from >= text.size() || !isExponentMark(text[from]))
        return from;
    qsizetype i = from + 1;
    if (i < text.size() && isSign(text[i]))
        ++i;
    const qsizetype digitsFrom = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i > digitsFrom ? i : from;
}

// Digits with an optional fraction and exponent, starting at `from`.
Scan scanUnsigned(QStringView text, qsizetype from)
{
    Scan scan;
    qsizetype i = from;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        scan.hasDigits = true;
    }
    if (i < text.size() && text[i] == u'.') {
        qsizetype j = i + 1;
        while (j < text.size() && isDigit(text[j])) {
            ++j;
            scan.hasDigits = true;
        }
        if (j > i + 1 || scan.hasDigits)
            i = j;
    }
    if (scan.hasDigits)
        i = scanExponent(text, i);
    scan.end = i;
    return scan;
}

double roundHalfEven(double v)
{
    // The default floating-point rounding mode is to nearest, ties to even.
    return std::nearbyint(v);
}

double parse(QStringView digits)
{
    bool ok = false;
    // "D" marks an exponent as "E" does.
    QString number = digits.toString();
    number.replace(u'd', u'e').replace(u'D', u'e');
    const double v = number.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

} // namespace

namespace NumericPrefix {

double value(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    const qsizetype signAt = i;
    if (i < text.size() && isSign(text[i]))
        ++i;
    const Scan scan = scanUnsigned(text, i);
    if (!scan.hasDigits)
        return 0.0;
    const double v = roundHalfEven(parse(text.sliced(i, scan.end - i)));
    return text[signAt] == u'-' ? -v : v;
}

std::optional<int> wholeNumberInRange(QStringView text, int minimum, int maximum)
{
    const QStringView trimmed = text.trimmed();
    // A plus sign is part of such a number; a minus sign makes it no number
    // from 0 up.
    const qsizetype from = trimmed.startsWith(u'+') ? 1 : 0;
    const Scan scan = scanUnsigned(trimmed, from);
    if (!scan.hasDigits || scan.end != trimmed.size())
        return std::nullopt;
    const double v = roundHalfEven(parse(trimmed.sliced(from)));
    if (v < minimum || v > maximum)
        return std::nullopt;
    return static_cast<int>(v);
}

} // namespace NumericPrefix
