// The command lists as the program ships them, and the rules that turn an
// entry or the edit box's text into a command text and a frame.

#include "catalogue/catalogue.h"
#include "catalogue/commandtext.h"
#include "support/tabledata.h"

#include <QHash>
#include <QRegularExpression>
#include <QTest>

using Catalogue::List;

Q_DECLARE_METATYPE(Catalogue::List)

namespace {

const QString &entry(List list, int rowFromOne)
{
    return Catalogue::entries(list).at(rowFromOne - 1);
}

QString command(const QString &entry)
{
    return Catalogue::commandText(entry).toString();
}

// The text after the gap's colon, or a null string when the row has none.
QString description(const QString &entry)
{
    const qsizetype marker = entry.indexOf(Catalogue::CrMarker);
    const qsizetype colon = entry.indexOf(u':', marker);
    return colon < 0 ? QString() : entry.sliced(colon + 1);
}

// The tables the lists were made from (tests/data/catalogue-*.tsv).
QList<QStringList> table(const char *name)
{
    return TableData::read(QStringLiteral(":/tables/catalogue-%1.tsv").arg(QLatin1StringView(name)));
}

// The expand list's rows from its runs: "CF", the keyword and each value, with
// the description of the run's first row and of the rows that have their own.
// Runs whose row numbers in the table do not match the count go to `misnumbered`.
QList<std::pair<QString, QString>> expandRows(QStringList &misnumbered)
{
    QList<std::pair<QString, QString>> rows;
    for (const QStringList &run : table("expand")) {
        const QStringList values = run.at(2).split(QLatin1StringView(", "));
        QHash<QString, QString> described;
        described.insert(values.first(), TableData::quoted(run.at(3)));  // null for "none"
        for (const QString &own : run.sliced(4)) {
            const qsizetype equals = own.indexOf(u'=');
            described.insert(own.left(equals), TableData::quoted(own.sliced(equals + 1)));
        }
        const qsizetype firstRow = rows.size() + 1;
        for (const QString &value : values)
            rows.append({QStringLiteral("CF %1 %2").arg(run.at(1), value), described.value(value)});
        // The run's rows as numbered in the table: a slip in typing shows here.
        const QString numbered = values.size() == 1
            ? QString::number(firstRow)
            : QStringLiteral("%1-%2").arg(firstRow).arg(rows.size());
        if (run.at(0) != numbered)
            misnumbered << run.at(1) + u' ' + run.at(0);
    }
    return rows;
}

} // namespace

class CatalogueTest : public QObject
{
    Q_OBJECT

private slots:
    // --- shape of every list ---------------------------------------------

    void eachListHasItsEntriesAndLongestEntry_data()
    {
        QTest::addColumn<List>("list");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("longest");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");

        QTest::newRow("basic") << List::Basic << 62 << 41 << "C00[CR]     POWER ON"
                               << "CR7[CR]     Lamp Mode Read";
        QTest::newRow("expand") << List::Expand << 333 << 82
                                << "CF BRIGHT UP[CR]  \t\t:Set Brightness value"
                                << "CF VMUTE DN[CR]";
        QTest::newRow("read") << List::Read << 91 << 98 << "CR BRIGHT[CR] \t:Get Brightness value"
                              << "CR SERIALNO[CR] :Get serial number";
    }
    void eachListHasItsEntriesAndLongestEntry()
    {
        QFETCH(List, list);
        QFETCH(int, count);
        QFETCH(int, longest);
        QFETCH(QString, first);
        QFETCH(QString, last);
        const QStringList &entries = Catalogue::entries(list);
        QCOMPARE(entries.size(), count);
        qsizetype longestSeen = 0;
        for (const QString &entry : entries)
            longestSeen = std::max(longestSeen, entry.size());
        QCOMPARE(longestSeen, longest);
        QCOMPARE(entries.first(), first);
        QCOMPARE(entries.last(), last);
    }

    void everyEntryIsACommandTextAMarkerAndAnOptionalDescription_data()
    {
        QTest::addColumn<List>("list");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("basic") << List::Basic
                               << R"(^(C[0-9A-F]{2}|CR[0-9])\[CR\]( {5}|\t {4})[^ \t:][^\t]*$)";
        QTest::newRow("expand") << List::Expand
                                << R"(^CF [^ ]+ [^ ]+( [^ ]+)?\[CR\]([ \t]+:.+)?$)";
        QTest::newRow("read") << List::Read << R"(^CR [^ ]+\[CR\] \t?:(Get|GET) .+$)";
    }
    void everyEntryIsACommandTextAMarkerAndAnOptionalDescription()
    {
        QFETCH(List, list);
        QFETCH(QString, pattern);
        const QRegularExpression grammar(pattern);
        QVERIFY(grammar.isValid());
        for (const QString &entry : Catalogue::entries(list)) {
            QVERIFY2(grammar.match(entry).hasMatch(), qPrintable(entry));
            QCOMPARE(entry.count(u'['), 1);
            QVERIFY2(entry.contains(Catalogue::CrMarker), qPrintable(entry));
            for (QChar c : entry)
                QVERIFY2(c == u'\t' || (c.unicode() >= 0x20 && c.unicode() < 0x7f), qPrintable(entry));
            const QString text = command(entry);
            QVERIFY(!text.isEmpty());
            QCOMPARE(text, text.trimmed());
            QCOMPARE(entry.sliced(text.size(), 4), Catalogue::CrMarker);
        }
    }

    void theBasicListHas56CodesAndSixReads()
    {
        int codes = 0;
        int reads = 0;
        for (const QString &entry : Catalogue::entries(List::Basic))
            (command(entry).startsWith(QLatin1StringView("CR")) ? reads : codes)++;
        QCOMPARE(codes, 56);
        QCOMPARE(reads, 6);
        QCOMPARE(entry(List::Basic, 29), QStringLiteral("C25[CR]\t    Computer 2 RGB"));
        QCOMPARE(entry(List::Basic, 59), QStringLiteral("CR3[CR]     (Corresponding)Lamp Time Read"));
    }

    // --- expand list ------------------------------------------------------

    void expandRunsStartAndEndWhereTheyShould_data()
    {
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<QString>("firstCommand");
        QTest::addColumn<int>("lastRow");
        QTest::addColumn<QString>("lastCommand");

        struct Run { int first; const char *head; int last; const char *tail; };
        static const Run runs[] = {
            {1, "CF BRIGHT UP", 3, "CF BRIGHT 0%%"},
            {4, "CF CONT UP", 6, "CF CONT 0%%"},
            {7, "CF COLOR UP", 9, "CF COLOR 0%%"},
            {10, "CF TINT UP", 12, "CF TINT 0%%"},
            {13, "CF SHARP UP", 15, "CF SHARP 0%%"},
            {16, "CF GAMMA UP", 18, "CF GAMMA 0%%"},
            {19, "CF WBAL-R UP", 21, "CF WBAL-R 0%%"},
            {22, "CF WBAL-G UP", 24, "CF WBAL-G 0%%"},
            {25, "CF WBAL-B UP", 27, "CF WBAL-B 0%%"},
            {28, "CF COLTEMP 000", 31, "CF COLTEMP 003"},
            {32, "CF PROGV FILM", 37, "CF PROGV DN"},
            {38, "CF NZRED OFF", 42, "CF NZRED DN"},
            {43, "CF IMAGE DYNAMIC", 52, "CF IMAGE CUSTOM4"},
            {53, "CF COLBOARD RED", 56, "CF COLBOARD GREEN"},
            {57, "CF IMAGEADJ RST", 61, "CF IMAGEADJ STR4"},
            {62, "CF FSYNC UP", 64, "CF FSYNC 00%%"},
            {65, "CF TDOTS UP", 67, "CF TDOTS %%%%"},
            {68, "CF CLAMP UP", 70, "CF CLAMP %%%%"},
            {71, "CF H-POS UP", 73, "CF H-POS %%%%"},
            {74, "CF V-POS UP", 76, "CF V-POS %%%%"},
            {77, "CF DDOTS UP", 79, "CF DDOTS %%%%"},
            {80, "CF DLINE UP", 82, "CF DLINE %%%%"},
            {83, "CF PCSTORE MODE1", 92, "CF PCSTORE MODE10"},
            {93, "CF PCMODEFREE MODE1", 102, "CF PCMODEFREE MODE10"},
            {103, "CF INPUT COMPUTER1", 108, "CF INPUT DN"},
            {109, "CF SOURCE ANALOG", 117, "CF SOURCE DN"},
            {118, "CF INPUT1 ANALOG", 120, "CF INPUT1 SCART"},
            {121, "CF INPUT2 ANALOG", 123, "CF INPUT2 HDCP"},
            {124, "CF INPUT3 VIDEO", 124, "CF INPUT3 VIDEO"},
            {125, "CF INPUT4 S-VIDEO", 125, "CF INPUT4 S-VIDEO"},
            {126, "CF INPUT COMPUTER1 ANALOG", 133, "CF INPUT S-VIDEO S-VIDEO"},
            {134, "CF SYSTEM VGA1", 157, "CF SYSTEM D-480P"},
            {158, "CF SCREEN NORMAL", 169, "CF SCREEN RST"},
            {170, "CF DZCENT CENT", 170, "CF DZCENT CENT"},
            {171, "CF VSCALE UP", 173, "CF VSCALE %%%"},
            {174, "CF VPOS UP", 176, "CF VPOS %%%"},
            {177, "CF HSCALE UP", 179, "CF HSCALE %%%"},
            {180, "CF HPOS UP", 182, "CF HPOS %%%"},
            {183, "CF KEYSTONE UP", 187, "CF KEYSTONE RST"},
            {188, "CF KYSTNMODE STR", 189, "CF KYSTNMODE RST"},
            {190, "CF CEIL ON", 191, "CF CEIL OFF"},
            {192, "CF REAR ON", 193, "CF REAR OFF"},
            {194, "CF LAMPMODE AUTO", 199, "CF LAMPMODE DN"},
            {200, "CF LAMPLIFECONTRL MODE1", 201, "CF LAMPLIFECONTRL MODE2"},
            {202, "CF VOLUME UP", 204, "CF VOLUME 0%%"},
            {205, "CF MUTE ON", 206, "CF MUTE OFF"},
            {207, "CF MIC ON", 208, "CF MIC OFF"},
            {209, "CF MICGAIN UP", 211, "CF MICGAIN 0%%"},
            {212, "CF STANDBYMICOUT ON", 213, "CF STANDBYMICOUT OFF"},
            {214, "CF LANG ENG", 234, "CF LANG THA"},
            {235, "CF MENUPOSITION SET", 235, "CF MENUPOSITION SET"},
            {236, "CF INPUTSEARCH OFF", 238, "CF INPUTSEARCH ON2"},
            {239, "CF AUTOSETUPPCADJ ON", 240, "CF AUTOSETUPPCADJ OFF"},
            {241, "CF AUTOSETUPKEYSTONE AUTO", 243, "CF AUTOSETUPKEYSTONE OFF"},
            {244, "CF AUTOSETUP START", 244, "CF AUTOSETUP START"},
            {245, "CF BACKGND BLUE", 249, "CF BACKGND DN"},
            {250, "CF DISP ON", 254, "CF DISP DN"},
            {255, "CF LOGO %%%% OFF", 259, "CF LOGO %%%% DN"},
            {260, "CF P-MANE OFF", 264, "CF P-MANE DN"},
            {265, "CF P-MANETIME UP", 267, "CF P-MANETIME %%"},
            {268, "CF ON-STA ON", 271, "CF ON-STA DN"},
            {272, "CF STANDBYMODE ECO", 273, "CF STANDBYMODE NORMAL"},
            {274, "CF PTIMEMODE COUNTUP", 275, "CF PTIMEMODE COUNTDN"},
            {276, "CF PTIMER START", 280, "CF PTIMER EXIT"},
            {281, "CF PTIME %%%", 281, "CF PTIME %%%"},
            {282, "CF CCAPTIONDISP OFF", 286, "CF CCAPTIONDISP CC4"},
            {287, "CF CCAPTIONCOLOR COLOR", 288, "CF CCAPTIONCOLOR WHITE"},
            {289, "CF RCODE 001", 292, "CF RCODE DN"},
            {293, "CF KEYDIS NONE", 295, "CF KEYDIS KEY"},
            {296, "CF PJPINCODE %%%%", 296, "CF PJPINCODE %%%%"},
            {297, "CF FANMODE L1", 298, "CF FANMODE L2"},
            {299, "CF FANCONTROL OFF", 301, "CF FANCONTROL ON2"},
            {302, "CF DELAYCTRL ON", 303, "CF DELAYCTRL OFF"},
            {304, "CF FILTIMER 1000", 312, "CF FILTIMER DN"},
            {313, "CF FILH RST", 313, "CF FILH RST"},
            {314, "CF TTLPWRSAVE RST", 314, "CF TTLPWRSAVE RST"},
            {315, "CF FDEFAULT RST", 315, "CF FDEFAULT RST"},
            {316, "CF KEYEMU RIGHT", 321, "CF KEYEMU AUTOPC"},
            {322, "CF MENU ON", 323, "CF MENU OFF"},
            {324, "CF POWER ON", 325, "CF POWER OFF"},
            {326, "CF FREEZE ON", 329, "CF FREEZE DN"},
            {330, "CF VMUTE ON", 333, "CF VMUTE DN"},
        };
        QCOMPARE(std::size(runs), std::size_t(82));
        for (const Run &run : runs)
            QTest::addRow("%d %s", run.first, run.head)
                << run.first << QString::fromLatin1(run.head) << run.last << QString::fromLatin1(run.tail);
    }
    void expandRunsStartAndEndWhereTheyShould()
    {
        QFETCH(int, firstRow);
        QFETCH(QString, firstCommand);
        QFETCH(int, lastRow);
        QFETCH(QString, lastCommand);
        QCOMPARE(command(entry(List::Expand, firstRow)), firstCommand);
        QCOMPARE(command(entry(List::Expand, lastRow)), lastCommand);
        // Every row of a run shares the keyword of its first row.
        const QString keyword = firstCommand.section(u' ', 0, 1) + u' ';
        for (int row = firstRow; row <= lastRow; ++row)
            QVERIFY2(entry(List::Expand, row).startsWith(keyword), qPrintable(entry(List::Expand, row)));
    }

    void expandPlaceholdersAndDescriptionsAreCounted()
    {
        int inCommand = 0;
        int descriptionOnly = 0;
        int none = 0;
        int described = 0;
        int twoSpacesTwoTabs = 0;
        QStringList descriptionOnlyRows;
        for (const QString &entry : Catalogue::entries(List::Expand)) {
            if (command(entry).contains(u'%')) {
                ++inCommand;
            } else if (entry.contains(u'%')) {
                ++descriptionOnly;
                descriptionOnlyRows << command(entry);
            } else {
                ++none;
            }
            if (description(entry).isNull()) {
                QVERIFY2(entry.endsWith(Catalogue::CrMarker), qPrintable(entry));
            } else {
                ++described;
                if (entry.contains(QLatin1StringView("[CR]  \t\t:")))
                    ++twoSpacesTwoTabs;
            }
        }
        QCOMPARE(inCommand, 30);
        QCOMPARE(descriptionOnly, 4);
        QCOMPARE(none, 299);
        QCOMPARE(descriptionOnlyRows, QStringList({"CF INPUT1 ANALOG", "CF INPUT2 ANALOG",
                                                   "CF INPUT3 VIDEO", "CF INPUT4 S-VIDEO"}));
        QCOMPARE(described, 122);
        QCOMPARE(twoSpacesTwoTabs, 90);
    }

    void expandDescriptionsAreStoredAsWritten_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("description");  // null: the row has none

        QTest::newRow("family head") << 1 << "Set Brightness value";
        QTest::newRow("next row bare") << 2 << QString();
        QTest::newRow("parameter row") << 3 << "% = 0-9";
        QTest::newRow("fine sync parameter") << 64 << "% = 0-9";
        QTest::newRow("horizontal position") << 71 << "Set Horizonetal Position value";
        QTest::newRow("input family head") << 118 << "Select Input11 and also set input source to %1";
        QTest::newRow("input family next") << 119 << QString();
        QTest::newRow("input4") << 125 << "Select Input14 and also set input source to %1";
        QTest::newRow("no description") << 200 << QString();
        QTest::newRow("mic gain") << 209 << "Set Volume value";
        QTest::newRow("english") << 214 << "Select English        Select language for OSD";
        QTest::newRow("polish") << 223 << "Select polish";
        QTest::newRow("thai") << 234 << "Select Thai";
        QTest::newRow("power time without parameter row") << 267 << QString();
        QTest::newRow("factory default trailing blank") << 315 << "Set the value to Factory Default ";
        QTest::newRow("longest") << 316 << "Behave the same as corresponding key of projector top panel";
        QTest::newRow("no show") << 330 << "Set No show function.";
    }
    void expandDescriptionsAreStoredAsWritten()
    {
        QFETCH(int, row);
        QFETCH(QString, description);
        QCOMPARE(::description(entry(List::Expand, row)), description);
    }

    void expandGapIsTwoSpacesAndTwoTabsOnTheExample()
    {
        QCOMPARE(entry(List::Expand, 1), QStringLiteral("CF BRIGHT UP[CR]  \t\t:Set Brightness value"));
        QCOMPARE(entry(List::Expand, 2), QStringLiteral("CF BRIGHT DN[CR]"));
        QCOMPARE(entry(List::Expand, 315), QStringLiteral("CF FDEFAULT RST[CR]  \t:Set the value to Factory Default "));
    }

    // --- read list --------------------------------------------------------

    void readGapHasATabOnlyForShortCommands()
    {
        int withTab = 0;
        for (const QString &entry : Catalogue::entries(List::Read)) {
            const bool shortCommand = command(entry).size() <= 10;
            const QString gap = shortCommand ? QStringLiteral("[CR] \t:") : QStringLiteral("[CR] :");
            QVERIFY2(entry.contains(gap), qPrintable(entry));
            withTab += shortCommand;
        }
        QCOMPARE(withTab, 64);
    }

    void readDescriptionsAreStoredAsWritten_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("description");

        const QList<std::pair<const char *, const char *>> table{
            {"CR BRIGHT", "Get Brightness value"},
            {"CR NZRED", "Get setting status of Noise reduction"},
            {"CR CEIL", "Get setting status of Ceiling"},
            {"CR INPUT", "Get selected Input No."},
            {"CR LAMPMODE", "Get Lamp Mode status"},
            {"CR LANG", "Get selected language"},
            {"CR TINT", "Get Tint valu"},
            {"CR COLTEMP", "Get setting Color of temperatue"},
            {"CR PCSTORE", "Get Free or Stored status for PC Adj.mode1-5"},
            {"CR SERSYS", "Get selected current signal. When in Auto mode, it returns a result by Auto detect"},
            {"CR SOURCE", "Get selected source of currently selected input"},
            {"CR SRCINP1", "Get selected source of Computer1"},
            {"CR SRCINP2", "Get selected source of Computer2"},
            {"CR SRCINP3", "Get selected source of Computer3"},
            {"CR SRCINP4", "Get selected source of Computer4"},
            {"CR SYSTEM", "Get selected system status in input mode"},
            {"CR SYSLIST", "Get selectable System table"},
            {"CR MODELIST", "Get selectable Mode table"},
            {"CR LAMPREPL", "Get the information for Lamp replacement time"},
            {"CR LAMPH", "Get lamp total running time"},
            {"CR LAMPCORRESPH", "Get corresponding lamp use time"},
            {"CR LAMPSTS", "Get lamp lighting status"},
            {"CR PROJH", "Get projector running time"},
            {"CR HMLAMP", "Get lamp number"},
            {"CR LOGO", "GET setting status of Logo"},
            {"CR PTIME", "Get setting time for count down mode in P-timer"},
            {"CR RCODE", "Get selsected Remote Control Code"},
            {"CR KEYDIS", "Get RC/KEY disability status"},
            {"CR PJLOCKNOW", "Get if PJ Lock is actually in operation"},
            {"CR PJLOCKMENU", "Get setting status of PJ Lock on Menu"},
            {"CR FILH", "Get Filter used time"},
            {"CR FILREPL", "Get the information for Filter replacement time"},
            {"CR FILTIMER", "Get time when Filter warning OSD is displayed"},
            {"CR TTLPWRSAVEKWH", "Get information for value of total power saving (kWh)"},
            {"CR TTLPWRSAVECO2", "Get information for value of total power saving (kg/CO2)"},
            {"CR STATUS", "Get setting status of Projector behavior"},
            {"CR SIGNAL", "Get Signal Status if there is a signal or not"},
            {"CR VMUTE", "Get setting status of No Show"},
            {"CR TEMPWARN", "Get if temperature is close to abnomal temperature"},
            {"CR TEMP", "Get current temperature atatus"},
            {"CR TEMPFAIL", "Get temperature when sensors approach abnomal temperature  "},
            {"CR SERIALNO", "Get serial number"},
        };
        for (const auto &[command, description] : table)
            QTest::newRow(command) << QString::fromLatin1(command) << QString::fromLatin1(description);
    }
    void readDescriptionsAreStoredAsWritten()
    {
        QFETCH(QString, command);
        QFETCH(QString, description);
        const QStringList &entries = Catalogue::entries(List::Read);
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const QString &entry) {
            return ::command(entry) == command;
        });
        QVERIFY(found != entries.end());
        QCOMPARE(::description(*found), description);
    }

    void onlyTheLogoReadSaysGetInCapitals()
    {
        QStringList capitals;
        for (const QString &entry : Catalogue::entries(List::Read))
            if (description(entry).startsWith(QLatin1StringView("GET")))
                capitals << command(entry);
        QCOMPARE(capitals, QStringList{"CR LOGO"});
    }

    // --- every row against the tables -------------------------------------

    void everyBasicRowIsItsCodeAndDescription_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("description");
        const QList<QStringList> rows = table("basic");
        QCOMPARE(rows.size(), 62);
        for (int i = 0; i < rows.size(); ++i) {
            const QString code = TableData::quoted(rows.at(i).at(0));
            QTest::addRow("%d %s", i + 1, qPrintable(code))
                << i + 1 << code << TableData::quoted(rows.at(i).at(1));
        }
    }
    void everyBasicRowIsItsCodeAndDescription()
    {
        QFETCH(int, row);
        QFETCH(QString, code);
        QFETCH(QString, description);
        // Five spaces between the marker and the description; "C25" has a tab and four.
        const QString gap = code == u"C25" ? QStringLiteral("\t    ") : QStringLiteral("     ");
        QCOMPARE(entry(List::Basic, row), code + Catalogue::CrMarker + gap + description);
    }

    void everyExpandRowIsItsRunsCommandAndDescription_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("description");  // null: the row has none
        QStringList misnumbered;
        const QList<std::pair<QString, QString>> rows = expandRows(misnumbered);
        QCOMPARE(misnumbered, QStringList());
        QCOMPARE(table("expand").size(), 82);
        QCOMPARE(rows.size(), 333);
        int described = 0;
        for (int i = 0; i < rows.size(); ++i) {
            QTest::addRow("%d %s", i + 1, qPrintable(rows.at(i).first))
                << i + 1 << rows.at(i).first << rows.at(i).second;
            described += !rows.at(i).second.isNull();
        }
        QCOMPARE(described, 122);
    }
    void everyExpandRowIsItsRunsCommandAndDescription()
    {
        QFETCH(int, row);
        QFETCH(QString, command);
        QFETCH(QString, description);
        const QString &stored = entry(List::Expand, row);
        const QString head = command + Catalogue::CrMarker;
        QVERIFY2(stored.startsWith(head), qPrintable(stored));
        if (description.isNull()) {
            QCOMPARE(stored, head);
        } else {
            // A gap of blanks and tabs, then the colon and the description.
            const QString rest = stored.sliced(head.size());
            const qsizetype colon = rest.indexOf(u':');
            QVERIFY2(colon > 0, qPrintable(stored));
            for (QChar c : rest.first(colon))
                QVERIFY2(c == u' ' || c == u'\t', qPrintable(stored));
            QCOMPARE(rest.sliced(colon + 1), description);
        }
    }

    void everyReadRowIsItsCommandAndDescription_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("description");  // null: only its form is given
        const QList<QStringList> rows = table("read");
        QCOMPARE(rows.size(), 91);
        for (int i = 0; i < rows.size(); ++i) {
            const QString command = TableData::quoted(rows.at(i).at(0));
            const QString description =
                rows.at(i).size() > 1 ? TableData::quoted(rows.at(i).at(1)) : QString();
            QTest::addRow("%d %s", i + 1, qPrintable(command)) << i + 1 << command << description;
        }
    }
    void everyReadRowIsItsCommandAndDescription()
    {
        QFETCH(int, row);
        QFETCH(QString, command);
        QFETCH(QString, description);
        const QString &stored = entry(List::Read, row);
        // One blank, then a tab after a command text of at most 10 characters.
        const QString head = command + Catalogue::CrMarker
            + (command.size() <= 10 ? QStringLiteral(" \t:") : QStringLiteral(" :"));
        QVERIFY2(stored.startsWith(head), qPrintable(stored));
        const QString stated = stored.sliced(head.size());
        if (description.isNull())
            QVERIFY2(stated.startsWith(QLatin1StringView("Get ")) && stated.size() > 4, qPrintable(stored));
        else
            QCOMPARE(stated, description);
    }

    // --- command text and prepared frame ----------------------------------

    void commandTextIsEverythingBeforeTheFirstBracket_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("command");
        QTest::newRow("entry with description") << "CF BRIGHT 0%%[CR]  \t\t:% = 0-9" << "CF BRIGHT 0%%";
        QTest::newRow("no marker") << "C00" << "C00";
        QTest::newRow("text after the marker") << "C00[CR]C01" << "C00";
        QTest::newRow("leading bracket") << "[CR]C00" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("first of several") << "a[b[c" << "a";
        QTest::newRow("blanks kept") << " c 00 [CR]" << " c 00 ";
    }
    void commandTextIsEverythingBeforeTheFirstBracket()
    {
        QFETCH(QString, text);
        QFETCH(QString, command);
        QCOMPARE(Catalogue::commandText(text).toString(), command);
    }

    void preparedFrameIsTheCommandTextAndOneCr_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("edit box after a selection") << "C00[CR]" << QByteArray("C00\r");
        QTest::newRow("no marker") << "C00" << QByteArray("C00\r");
        QTest::newRow("text after the marker ignored") << "C00[CR]C01" << QByteArray("C00\r");
        QTest::newRow("leading bracket") << "[CR]C00" << QByteArray("\r");
        QTest::newRow("empty box") << "" << QByteArray("\r");
        QTest::newRow("placeholders unchanged") << "CF BRIGHT 0%%[CR]" << QByteArray("CF BRIGHT 0%%\r");
        QTest::newRow("typed as is") << " cf bright 050 [CR]" << QByteArray(" cf bright 050 \r");
        QTest::newRow("latin-1 byte") << QStringLiteral("C\u00e90") << QByteArray("C\xe9" "0\r");
        QTest::newRow("beyond latin-1") << QStringLiteral("C\u20ac0") << QByteArray("C?0\r");
    }
    void preparedFrameIsTheCommandTextAndOneCr()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, frame);
        QCOMPARE(Catalogue::preparedFrame(text), frame);
    }

    void editTextAddsTheMarker()
    {
        QCOMPARE(Catalogue::editText(u"C00"), QStringLiteral("C00[CR]"));
        QCOMPARE(Catalogue::editText(u""), QStringLiteral("[CR]"));
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
