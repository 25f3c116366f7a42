#include "log/logfile.h"

#include "log/exchangering.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace LogFile {

namespace {

const QString TextTitle = QStringLiteral("# rm740-control exchange log");
// The six columns every file has had, in this order, first.
const QStringList BaseColumns{QStringLiteral("time"), QStringLiteral("direction"), QStringLiteral("text"),
                              QStringLiteral("status"), QStringLiteral("details"), QStringLiteral("bytes")};
const QStringList TextColumns = BaseColumns + QStringList{QStringLiteral("reply ms")};
const QStringList CsvColumns = BaseColumns + QStringList{QStringLiteral("raw"), QStringLiteral("reply_ms")};

QString replyTime(const LogRow &row)
{
    return row.replyMs >= 0 ? QString::number(row.replyMs) : QString();
}

QStringList baseFieldsOf(const LogRow &row)
{
    return {timeStamp(row.atMs), LogRows::directionName(row.direction), row.text(), row.status,
            row.details, QString::fromLatin1(row.bytes.toHex(' ').toUpper())};
}

// Text fields never hold a tab or a line break unescaped.
QString escaped(const QString &field)
{
    QString out;
    out.reserve(field.size());
    for (const QChar c : field) {
        switch (c.unicode()) {
        case '\\': out += QLatin1StringView("\\\\"); break;
        case '\t': out += QLatin1StringView("\\t"); break;
        case '\n': out += QLatin1StringView("\\n"); break;
        case '\r': out += QLatin1StringView("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

std::optional<QString> unescaped(QStringView field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        switch (field[i].unicode()) {
        case '\\': out += u'\\'; break;
        case 't': out += u'\t'; break;
        case 'n': out += u'\n'; break;
        case 'r': out += u'\r'; break;
        default: return std::nullopt;
        }
    }
    return out;
}

QString quoted(const QString &field)
{
    QString out = field;
    out.replace(QLatin1Char('"'), QLatin1StringView("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString textLine(const LogRow &row)
{
    QStringList fields = baseFieldsOf(row) << replyTime(row);
    for (QString &field : fields)
        field = escaped(field);
    return fields.join(QLatin1Char('\t'));
}

void writeText(QTextStream &out, const QList<LogRow> &rows, const Header &header)
{
    const auto line = [&out](const QString &text) { out << QStringLiteral("# ") << text << '\n'; };
    out << TextTitle << '\n';
    line(QStringLiteral("program: ") + program());
    if (!header.port.isEmpty())
        line(QStringLiteral("port: ") + escaped(header.port));
    if (!rows.isEmpty()) {
        line(QStringLiteral("from: ") + timeStamp(rows.first().atMs));
        line(QStringLiteral("to: ") + timeStamp(rows.last().atMs));
    }
    line(QStringLiteral("exchanges: %1").arg(header.exchanges));
    line(TextColumns.join(QLatin1Char('\t')));
    for (const LogRow &row : rows)
        out << textLine(row) << '\n';
}

void writeCsv(QTextStream &out, const QList<LogRow> &rows)
{
    out << CsvColumns.join(QLatin1Char(',')) << "\r\n";
    for (const LogRow &row : rows) {
        QStringList fields = baseFieldsOf(row) << row.rawText() << replyTime(row);
        for (QString &field : fields)
            field = quoted(field);
        out << fields.join(QLatin1Char(',')) << "\r\n";
    }
}

std::optional<QByteArray> bytesFromHex(QStringView hex)
{
    QByteArray bytes;
    if (hex.isEmpty())
        return bytes;
    for (const QStringView pair : hex.split(u' ')) {
        bool ok = false;
        const uint value = pair.toUInt(&ok, 16);
        if (pair.size() != 2 || !ok)
            return std::nullopt;
        bytes += char(value);
    }
    return bytes;
}

std::optional<qint32> replyTimeFrom(QStringView field)
{
    if (field.isEmpty())
        return -1;
    bool ok = false;
    const int ms = field.toInt(&ok);
    if (!ok || ms < 0)
        return std::nullopt;
    return ms;
}

// Where a file's columns beyond the first six stand, if it has them.
struct Layout {
    qsizetype columns = 6;
    qsizetype raw = -1;
    qsizetype replyMs = -1;
};
const Layout LegacyLayout{};
const Layout TextLayout{7, -1, 6};
const Layout CsvLayout{8, 6, 7};

// A row from its fields, or what is wrong with them.
std::optional<LogRow> rowFrom(const QStringList &fields, const Layout &layout, QString *error)
{
    if (fields.size() != layout.columns) {
        *error = QStringLiteral("%1 fields instead of %2").arg(fields.size()).arg(layout.columns);
        return std::nullopt;
    }
    const auto atMs = parseTimeStamp(fields[0]);
    const auto direction = LogRows::directionNamed(fields[1]);
    const auto bytes = bytesFromHex(fields[5]);
    const auto replyMs = layout.replyMs < 0 ? std::optional<qint32>(-1) : replyTimeFrom(fields[layout.replyMs]);
    if (!atMs || !direction || !bytes || !replyMs) {
        *error = !atMs ? QStringLiteral("no time") : !direction ? QStringLiteral("no direction")
            : !bytes ? QStringLiteral("no bytes in hex") : QStringLiteral("no reply time");
        return std::nullopt;
    }
    LogRow row{*atMs, *direction, *bytes, fields[3], fields[4], *replyMs};
    // The rendering and the raw text are written for the reader's eyes; the bytes are the truth.
    if (row.text() != fields[2] || (layout.raw >= 0 && row.rawText() != fields[layout.raw])) {
        *error = QStringLiteral("the text does not match the bytes");
        return std::nullopt;
    }
    return row;
}

Reading readText(QTextStream &in)
{
    Reading reading;
    for (int line = 2; !in.atEnd(); ++line) {
        const QString text = in.readLine();
        if (text.startsWith(QLatin1Char('#')))
            continue;
        QStringList fields;
        for (const QStringView field : QStringView(text).split(u'\t')) {
            const auto plain = unescaped(field);
            if (!plain) {
                reading.error = QStringLiteral("line %1: a broken escape").arg(line);
                return reading;
            }
            fields << *plain;
        }
        QString error;
        const auto row = rowFrom(fields, fields.size() == LegacyLayout.columns ? LegacyLayout : TextLayout, &error);
        if (!row) {
            reading.error = QStringLiteral("line %1: %2").arg(line).arg(error);
            return reading;
        }
        reading.rows << *row;
    }
    return reading;
}

// RFC 4180 records: quoted fields may hold commas, doubled quotes and line breaks.
std::optional<QList<QStringList>> csvRecords(QStringView text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool inQuotes = false;
    bool fieldStarted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else {
                inQuotes = false;
            }
            continue;
        }
        if (c == u'"' && field.isEmpty()) {
            inQuotes = fieldStarted = true;
        } else if (c == u',') {
            record << field;
            field.clear();
            fieldStarted = false;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            record << field;
            records << record;
            record.clear();
            field.clear();
            fieldStarted = false;
        } else {
            field += c;
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (fieldStarted || !field.isEmpty() || !record.isEmpty()) {
        record << field;
        records << record;
    }
    return records;
}

Reading readCsv(const QString &text, const Layout &layout)
{
    Reading reading;
    const auto records = csvRecords(text);
    if (!records) {
        reading.error = QStringLiteral("a quoted field does not end");
        return reading;
    }
    for (qsizetype i = 1; i < records->size(); ++i) {
        QString error;
        const auto row = rowFrom(records->at(i), layout, &error);
        if (!row) {
            reading.error = QStringLiteral("record %1: %2").arg(i + 1).arg(error);
            return reading;
        }
        reading.rows << *row;
    }
    return reading;
}

} // namespace

Header headerFor(const ExchangeRing &ring, const QString &port)
{
    Header header{port, 0};
    for (qsizetype i = 0; i < ring.size(); ++i)
        header.exchanges += ring.at(i).isPortEvent() ? 0 : 1;
    return header;
}

QString program()
{
    return QStringLiteral("rm740-control " RM740_VERSION);
}

Format formatFor(const QString &path)
{
    return path.endsWith(QLatin1StringView(".csv"), Qt::CaseInsensitive) ? Format::Csv : Format::Text;
}

QString proposedName(const QDateTime &at, Format format)
{
    return at.toString(QStringLiteral("'rm740-log-'yyyyMMdd-HHmm"))
        + (format == Format::Csv ? QStringLiteral(".csv") : QStringLiteral(".txt"));
}

void write(QIODevice &out, const QList<LogRow> &rows, Format format, const Header &header)
{
    QTextStream stream(&out);
    if (format == Format::Csv)
        writeCsv(stream, rows);
    else
        writeText(stream, rows, header);
}

std::optional<QString> save(const QString &path, const QList<LogRow> &rows, Format format, const Header &header)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    write(file, rows, format, header);
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

QString lines(const QList<LogRow> &rows)
{
    QString text;
    for (const LogRow &row : rows)
        text += textLine(row) + QLatin1Char('\n');
    return text;
}

QString hexLines(const QList<LogRow> &rows)
{
    QString text;
    for (const LogRow &row : rows) {
        if (!row.bytes.isEmpty())
            text += QString::fromLatin1(row.bytes.toHex(' ').toUpper()) + QLatin1Char('\n');
    }
    return text;
}

Reading read(QIODevice &in)
{
    QTextStream stream(&in);
    const QString first = stream.readLine();
    if (first == TextTitle)
        return readText(stream);
    for (const auto &[columns, layout] : {std::pair{&BaseColumns, &LegacyLayout}, std::pair{&CsvColumns, &CsvLayout}}) {
        if (first == columns->join(QLatin1Char(',')))
            return readCsv(first + QLatin1Char('\n') + stream.readAll(), *layout);
    }
    return {{}, QStringLiteral("not an exchange log")};
}

Reading load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, file.errorString()};
    return read(file);
}

QString timeStamp(qint64 ms)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    const int offset = local.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz "))
        + QStringLiteral("%1%2:%3")
              .arg(QLatin1Char(offset < 0 ? '-' : '+'))
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

std::optional<qint64> parseTimeStamp(QStringView text)
{
    // "yyyy-MM-dd hh:mm:ss.zzz +hh:mm"
    const QList<QStringView> parts = text.split(u' ');
    if (parts.size() != 3 || parts[2].size() != 6 || (parts[2][0] != u'+' && parts[2][0] != u'-')
        || parts[2][3] != u':')
        return std::nullopt;
    const QDate date = QDate::fromString(parts[0].toString(), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(parts[1].toString(), QStringLiteral("hh:mm:ss.zzz"));
    bool hoursOk = false;
    bool minutesOk = false;
    const int hours = parts[2].sliced(1, 2).toInt(&hoursOk);
    const int minutes = parts[2].sliced(4, 2).toInt(&minutesOk);
    // Offsets in use lie within 14 hours of UTC.
    if (!date.isValid() || !time.isValid() || !hoursOk || !minutesOk || hours > 14 || minutes > 59)
        return std::nullopt;
    const int offset = (parts[2][0] == u'-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    return QDateTime(date, time, Qt::OffsetFromUTC, offset).toMSecsSinceEpoch();
}

} // namespace LogFile
