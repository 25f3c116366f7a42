// The main window's table of groups and buttons held against the tables it
// was built from (tests/data/panel-*.tsv, typed from the system description):
// every group and every button with its group, caption, frame, colour, place,
// repeat code and caption size.

#include "panel/paneltable.h"
#include "support/tabledata.h"

#include <QHash>
#include <QRect>
#include <QSet>
#include <QTest>

#include <optional>

using PanelTable::Arrow;
using PanelTable::Colour;
using PanelTable::Kind;

Q_DECLARE_METATYPE(Arrow)
Q_DECLARE_METATYPE(Kind)

namespace {

// Where the program departs from the table on purpose. "Display Clear" at
// x 6480 would reach x 8220 and overlap "Auto Pc Adj", which starts at 8200;
// it stands in line with the two buttons below it instead.
const QHash<QString, QRect> &departures()
{
    static const QHash<QString, QRect> moved{{QStringLiteral("Command3"), {6450, 3600, 1740, 300}}};
    return moved;
}

// The colour key: 0xRRGGBB, none for the system colours.
std::optional<quint32> colourKey(const QString &name)
{
    static const QHash<QString, quint32> key{
        {QStringLiteral("cyan"), 0x00C0C0},   {QStringLiteral("yellow"), 0xFFFF80},
        {QStringLiteral("green"), 0x80FF80},  {QStringLiteral("pink"), 0xFF8080},
        {QStringLiteral("pale cyan"), 0xC0FFFF}, {QStringLiteral("orange"), 0xFFC080},
    };
    if (name == u"system")
        return std::nullopt;
    return key.value(name, 0xDEADBEEF);  // an unknown name matches no colour
}

// The buttons that send nothing, by what they do.
Kind managementKind(const QString &caption)
{
    if (caption == u"END")
        return Kind::End;
    if (caption == u"COM")
        return Kind::Com;
    return Kind::CommandTable;  // "Command Table"
}

// What an arrow button shows in the table: where it points.
QString pointing(Arrow arrow)
{
    const QStringList words{"", "Up", "Down", "Left", "Right"};  // in the order of Arrow
    return words.at(int(arrow));
}

QRect rect(const QStringList &row, int first)
{
    return QRect(row.at(first).toInt(), row.at(first + 1).toInt(), row.at(first + 2).toInt(),
                 row.at(first + 3).toInt());
}

const PanelTable::Group *groupNamed(QStringView frame)
{
    for (const PanelTable::Group &group : PanelTable::groups())
        if (frame == QLatin1StringView(group.frame))
            return &group;
    return nullptr;
}

const PanelTable::Button *buttonNamed(QStringView name)
{
    for (const PanelTable::Button &button : PanelTable::buttons())
        if (name == QLatin1StringView(button.name))
            return &button;
    return nullptr;
}

QList<QStringList> table(const char *name)
{
    return TableData::read(QStringLiteral(":/tables/%1.tsv").arg(QLatin1StringView(name)));
}

} // namespace

class PanelTableTest : public QObject
{
    Q_OBJECT

private slots:
    void theTablesHoldEveryGroupAndButton()
    {
        QCOMPARE(table("panel-groups").size(), 18);
        QCOMPARE(table("panel-buttons").size(), 69);
        QCOMPARE(table("panel-repeat").size(), 12);
        QCOMPARE(PanelTable::groups().size(), size_t(18));
        QCOMPARE(PanelTable::buttons().size(), size_t(69));

        QSet<QString> names;
        for (const PanelTable::Button &button : PanelTable::buttons())
            names.insert(QString::fromLatin1(button.name));
        QCOMPARE(names.size(), 69);
        QSet<QString> frames;
        for (const PanelTable::Group &group : PanelTable::groups())
            frames.insert(QString::fromLatin1(group.frame));
        QCOMPARE(frames.size(), 18);
    }

    void eachGroupIsAsDescribed_data()
    {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("titleLabel");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<int>("titleY");
        for (const QStringList &row : table("panel-groups")) {
            QTest::newRow(qPrintable(row.at(0)))
                << row.at(0) << row.at(1) << TableData::quoted(row.at(2)) << rect(row, 3)
                << row.at(7).toInt();
        }
    }
    void eachGroupIsAsDescribed()
    {
        QFETCH(QString, frame);
        QFETCH(QString, titleLabel);
        QFETCH(QString, title);
        QFETCH(QRect, twips);
        QFETCH(int, titleY);
        const PanelTable::Group *group = groupNamed(frame);
        QVERIFY(group);
        QCOMPARE(QString::fromLatin1(group->titleLabel), titleLabel);
        QCOMPARE(QString::fromLatin1(group->title), title);
        QCOMPARE(group->twips, twips);
        QCOMPARE(group->titleY, titleY);
    }

    void eachButtonIsAsDescribed_data()
    {
        QTest::addColumn<TableData::PanelButton>("row");
        for (const TableData::PanelButton &row : TableData::panelButtons())
            QTest::newRow(qPrintable(row.name)) << row;
    }
    void eachButtonIsAsDescribed()
    {
        QFETCH(TableData::PanelButton, row);
        const QString &name = row.name;
        const Kind kind = row.hold ? Kind::Hold : row.sends.isNull() ? managementKind(row.caption) : Kind::OneShot;
        const PanelTable::Button *button = buttonNamed(name);
        QVERIFY(button);

        if (row.group.isEmpty()) {
            QVERIFY2(!button->group, button->group);
        } else {
            QVERIFY(button->group);
            const PanelTable::Group *group = groupNamed(QString::fromLatin1(button->group));
            QVERIFY2(group, button->group);
            QCOMPARE(QString::fromLatin1(group->title), row.group);
        }
        QCOMPARE(QString::fromLatin1(button->caption), row.picture ? QString() : row.caption);
        QCOMPARE(pointing(button->arrow), row.picture ? row.caption : QString());
        QCOMPARE(QByteArray(button->sends), row.sends);
        QCOMPARE(button->sends == nullptr, row.sends.isNull());
        QCOMPARE(button->kind, kind);
        QCOMPARE(button->twips, departures().value(name, row.twips));

        const std::optional<quint32> rgb = colourKey(row.colour);
        QCOMPARE(button->colour == Colour::System, !rgb);
        if (rgb)
            QCOMPARE(PanelTable::rgb(button->colour), *rgb);

        // Captions are 8.25 to 9.75 points, "END" 12.
        const double points = button->pointSize10 / 10.0;
        if (row.caption == u"END")
            QCOMPARE(points, 12.0);
        else
            QVERIFY2(points >= 8.25 && points <= 9.75, qPrintable(QString::number(points)));
    }

    void theOneDepartureIsFromTheTable()
    {
        // Held against the table, each departure is a real one.
        for (const TableData::PanelButton &row : TableData::panelButtons()) {
            if (departures().contains(row.name))
                QVERIFY(row.twips != departures().value(row.name));
        }
        QCOMPARE(departures().size(), 1);
    }

    void eachHoldButtonHasItsRepeatCode_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("groupTitle");
        QTest::addColumn<QByteArray>("text");
        for (const QStringList &row : table("panel-repeat")) {
            QTest::newRow(qPrintable(row.at(1)))
                << row.at(0).toInt() << row.at(1) << row.at(2)
                << TableData::quoted(row.at(3)).toLatin1();
        }
    }
    void eachHoldButtonHasItsRepeatCode()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QFETCH(QString, groupTitle);
        QFETCH(QByteArray, text);
        const PanelTable::Button *button = PanelTable::buttonByRepeatCode(code);
        QVERIFY(button);
        QCOMPARE(QString::fromLatin1(button->name), name);
        QCOMPARE(button->repeatCode, code);
        QCOMPARE(button->kind, Kind::Hold);
        QCOMPARE(QByteArray(button->sends), text);
        const PanelTable::Group *group = groupNamed(QString::fromLatin1(button->group));
        QVERIFY(group);
        QCOMPARE(QString::fromLatin1(group->title), groupTitle);
    }

    void onlyHoldButtonsHaveARepeatCode()
    {
        QSet<int> codes;
        for (const PanelTable::Button &button : PanelTable::buttons()) {
            if (button.kind == Kind::Hold)
                codes.insert(button.repeatCode);
            else
                QVERIFY2(button.repeatCode == 0, button.name);
        }
        QCOMPARE(codes.size(), 12);
        QVERIFY(!PanelTable::buttonByRepeatCode(0));
        QVERIFY(!PanelTable::buttonByRepeatCode(13));
    }
};

QTEST_GUILESS_MAIN(PanelTableTest)
#include "tst_paneltable.moc"
