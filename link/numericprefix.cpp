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

// Digits with an optional fraction, starting at `from`.
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
    const double v = digits.toString().toDouble(&ok);
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
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
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
    const Scan scan = scanUnsigned(trimmed, 0);
    if (!scan.hasDigits || scan.end != trimmed.size())
        return std::nullopt;
    const double v = roundHalfEven(parse(trimmed));
    if (v < minimum || v > maximum)
        return std::nullopt;
    return static_cast<int>(v);
}

} // namespace NumericPrefix
