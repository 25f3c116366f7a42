#include "bridge/projector/inputtable.h"

#include "panel/paneltable.h"
#include "protocol/frame.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace {

using PanelTable::Key;

struct PanelInput {
    Key button;
    int connector;               // the number the input read reports for it
    QByteArrayView defaultCode;
};

// The panel's input groups in order: Computer 1, Computer 2, Video, S-Video.
constexpr std::array panelInputs{
    PanelInput{Key::Computer1Rgb, 1, "11"},
    PanelInput{Key::Computer2Rgb, 2, "12"},
    PanelInput{Key::Video, 3, "21"},
    PanelInput{Key::SVideo, 4, "22"},
    PanelInput{Key::Computer1Component, 1, "23"},
    PanelInput{Key::Computer1Scart, 1, "24"},
    PanelInput{Key::Computer2DviPc, 2, "31"},
    PanelInput{Key::Computer2DviHdcp, 2, "32"},
};

const PanelInput *panelInputSending(QByteArrayView frame)
{
    for (const PanelInput &input : panelInputs) {
        if (PanelTable::frame(input.button) == frame)
            return &input;
    }
    return nullptr;
}

bool isInputCode(QStringView code)
{
    return code.size() == 2 && code[0] >= u'1' && code[0] <= u'5' && code[1] >= u'1' && code[1] <= u'9';
}

QString panelInputFrames()
{
    QStringList frames;
    for (const PanelInput &input : panelInputs)
        frames.append(QLatin1StringView(PanelTable::button(input.button).sends));
    return frames.join(QLatin1StringView(", "));
}

} // namespace

InputTable InputTable::defaults()
{
    InputTable table;
    for (const PanelInput &input : panelInputs)
        table.m_inputs.append(Input{input.defaultCode.toByteArray(), PanelTable::frame(input.button), input.connector});
    std::ranges::sort(table.m_inputs, {}, &Input::code);
    return table;
}

std::optional<InputTable> InputTable::parse(QStringView text, QString *error)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    InputTable table;
    for (const QStringView pair : text.toString().split(separators, Qt::SkipEmptyParts)) {
        const qsizetype colon = pair.indexOf(u':');
        const QStringView code = colon < 0 ? pair : pair.first(colon);
        const QStringView frameText = colon < 0 ? QStringView() : pair.sliced(colon + 1);
        if (colon < 0 || !isInputCode(code)) {
            *error = QStringLiteral("\"%1\" is no CODE:FRAME pair with a PJLink input code (11 to 59, "
                                    "as in 11:C50)").arg(pair);
            return std::nullopt;
        }
        const QByteArray frame = Protocol::frame(frameText.toLatin1().toUpper());
        const PanelInput *input = panelInputSending(frame);
        if (!input) {
            *error = QStringLiteral("\"%1\" is no input button of the panel (%2)").arg(frameText, panelInputFrames());
            return std::nullopt;
        }
        const QByteArray codeBytes = code.toLatin1();
        for (const Input &earlier : std::as_const(table.m_inputs)) {
            if (earlier.code == codeBytes || earlier.frame == frame) {
                *error = QStringLiteral("\"%1\" repeats %2").arg(pair, earlier.code == codeBytes
                                                                           ? QStringLiteral("input %1").arg(code)
                                                                           : frameText.toString());
                return std::nullopt;
            }
        }
        table.m_inputs.append(Input{codeBytes, frame, input->connector});
    }
    if (table.m_inputs.isEmpty()) {
        *error = QStringLiteral("no input is listed");
        return std::nullopt;
    }
    std::ranges::sort(table.m_inputs, {}, &Input::code);
    return table;
}

const InputTable::Input *InputTable::byCode(QByteArrayView code) const
{
    for (const Input &input : m_inputs) {
        if (input.code == code)
            return &input;
    }
    return nullptr;
}

std::optional<QByteArray> InputTable::codeOn(int connector, QByteArrayView lastSelected) const
{
    if (const Input *last = byCode(lastSelected); last && last->connector == connector)
        return last->code;
    for (const Input &input : m_inputs) {
        if (input.connector == connector)
            return input.code;
    }
    return std::nullopt;
}

QByteArray InputTable::codes() const
{
    QByteArrayList codes;
    for (const Input &input : m_inputs)
        codes.append(input.code);
    return codes.join(' ');
}

QDebug operator<<(QDebug debug, const InputTable &table)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "InputTable(";
    for (const InputTable::Input &input : table.inputs())
        debug << input.code << ':' << Protocol::textOf(input.frame) << ' ';
    debug << ')';
    return debug;
}

const InputTable::Input *InputTable::byName(QStringView name) const
{
    for (const Input &input : m_inputs) {
        if (nameOf(input).compare(name, Qt::CaseInsensitive) == 0)
            return &input;
    }
    return nullptr;
}

QString InputTable::nameOf(const Input &input)
{
    const PanelInput *panel = panelInputSending(input.frame);
    return panel ? QString::fromLatin1(PanelTable::button(panel->button).accessibleName) : QString();
}
