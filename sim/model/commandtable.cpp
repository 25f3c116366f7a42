#include "sim/model/commandtable.h"

#include <algorithm>
#include <array>

namespace CommandTable {
namespace {

constexpr Family level(std::string_view keyword, std::string_view pattern, int minimum,
                       int maximum, int initial, bool steps = true)
{
    return Family{keyword, Form::Level, pattern, {}, minimum, maximum, initial, steps};
}

constexpr Family choice(std::string_view keyword, std::string_view words,
                        std::string_view initial, bool steps = false)
{
    return Family{keyword, Form::Choice, words, initial, 0, 0, 0, steps};
}

constexpr Family action(std::string_view keyword, std::string_view words)
{
    return Family{keyword, Form::Action, words};
}

constexpr Family withExtras(Family family, std::string_view extras)
{
    family.extras = extras;
    return family;
}

constexpr Family withPin(Family family, std::string_view pin)
{
    family.pin = pin;
    return family;
}

constexpr std::string_view OnOff = "ON|OFF";

constexpr std::array familyTable{
    // Picture
    level("BRIGHT", "0%%", 0, 63, 32),
    level("CONT", "0%%", 0, 63, 32),
    level("COLOR", "0%%", 0, 63, 32),
    level("TINT", "0%%", 0, 63, 32),
    level("SHARP", "0%%", 0, 31, 16),
    level("GAMMA", "0%%", 0, 15, 8),
    level("WBAL-R", "0%%", 0, 63, 32),
    level("WBAL-G", "0%%", 0, 63, 32),
    level("WBAL-B", "0%%", 0, 63, 32),
    choice("COLTEMP", "000|001|002|003", "001"),
    choice("PROGV", "FILM|L1|L2|OFF", "OFF", true),
    choice("NZRED", "OFF|L1|L2", "OFF", true),
    choice("IMAGE", "DYNAMIC|STAND|REAL|CINEMA|BLACKBOARD|COLORBOARD|CUSTOM1|CUSTOM2|CUSTOM3|CUSTOM4",
           "STAND"),
    choice("COLBOARD", "RED|BLUE|YELLOW|GREEN", "GREEN"),
    action("IMAGEADJ", "RST|STR1|STR2|STR3|STR4"),
    // PC adjustment
    level("FSYNC", "00%%", 0, 31, 16),
    level("TDOTS", "%%%%", 800, 2000, 1344),
    level("CLAMP", "%%%%", 1, 63, 1),
    level("H-POS", "%%%%", 0, 400, 200),
    level("V-POS", "%%%%", 0, 100, 35),
    level("DDOTS", "%%%%", 640, 1600, 1024),
    level("DLINE", "%%%%", 480, 1200, 768),
    action("PCSTORE", "MODE1|MODE2|MODE3|MODE4|MODE5|MODE6|MODE7|MODE8|MODE9|MODE10"),
    action("PCMODEFREE", "MODE1|MODE2|MODE3|MODE4|MODE5|MODE6|MODE7|MODE8|MODE9|MODE10"),
    // Inputs: INPUT with a source word selects both.
    withExtras(choice("INPUT", "COMPUTER1|COMPUTER2|VIDEO|S-VIDEO", "COMPUTER1", true),
               "COMPUTER1 ANALOG|COMPUTER1 YPBPR|COMPUTER1 SCART|COMPUTER2 ANALOG|"
               "COMPUTER2 DIGITAL|COMPUTER2 HDCP|VIDEO VIDEO|S-VIDEO S-VIDEO"),
    choice("SOURCE", "ANALOG|YPBPR|S-VIDEO|SCART|VIDEO|DIGITAL|HDCP", "ANALOG", true),
    choice("INPUT1", "ANALOG|YPBPR|SCART", "ANALOG"),
    choice("INPUT2", "ANALOG|DIGITAL|HDCP", "ANALOG"),
    choice("INPUT3", "VIDEO", "VIDEO"),
    choice("INPUT4", "S-VIDEO", "S-VIDEO"),
    choice("SYSTEM",
           "VGA1|XGA1|WXGA3|AUTO|NTSC|NTSC443|PAL|SECAM|PAL-M|PAL-N|1080I|1035I|720P|575P|480P|"
           "575I|480I|D-XGA1|D-WXGA3|D-1080I|D-1035I|D-720P|D-575P|D-480P",
           "AUTO"),
    // Screen
    withExtras(choice("SCREEN", "NORMAL|FULL|WIDE|ZOOM|TRUE|CUSTOM|NATURAL", "NORMAL", true),
               "DZOOM UP|DZOOM DN|RST"),
    action("DZCENT", "CENT"),
    level("VSCALE", "%%%", 0, 100, 50),
    level("VPOS", "%%%", 0, 100, 50),
    level("HSCALE", "%%%", 0, 100, 50),
    level("HPOS", "%%%", 0, 100, 50),
    withExtras(level("KEYSTONE", "", -40, 40, 0), "FUP|FDN|RST"),
    choice("KYSTNMODE", "STR|RST", "RST"),
    choice("CEIL", OnOff, "OFF"),
    choice("REAR", OnOff, "OFF"),
    // Lamp
    choice("LAMPMODE", "AUTO|NORMAL|ECO1|ECO2", "NORMAL", true),
    choice("LAMPLIFECONTRL", "MODE1|MODE2", "MODE1"),
    // Sound
    level("VOLUME", "0%%", 0, 63, 16),
    choice("MUTE", OnOff, "OFF"),
    choice("MIC", OnOff, "OFF"),
    level("MICGAIN", "0%%", 0, 31, 16),
    choice("STANDBYMICOUT", OnOff, "OFF"),
    // Set-up
    choice("LANG",
           "ENG|DEU|FRA|ITA|ESP|POR|NED|SVE|FIN|POL|HUN|ROM|CZE|RUS|TUR|KAZ|VIE|CHI|KOR|JPN|THA",
           "ENG"),
    action("MENUPOSITION", "SET"),
    choice("INPUTSEARCH", "OFF|ON1|ON2", "OFF"),
    choice("AUTOSETUPPCADJ", OnOff, "ON"),
    choice("AUTOSETUPKEYSTONE", "AUTO|MANUAL|OFF", "AUTO"),
    action("AUTOSETUP", "START"),
    choice("BACKGND", "BLUE|USER|BLACK", "BLUE", true),
    choice("DISP", "ON|CNTDWNOFF|OFF", "ON", true),
    withPin(choice("LOGO", "OFF|DFLT|USER", "DFLT", true), "%%%%"),
    choice("P-MANE", "OFF|READY|SHUTDOWN", "OFF", true),
    level("P-MANETIME", "%%", 1, 30, 5),
    choice("ON-STA", OnOff, "OFF", true),
    choice("STANDBYMODE", "ECO|NORMAL", "NORMAL"),
    choice("PTIMEMODE", "COUNTUP|COUNTDN", "COUNTUP"),
    choice("PTIMER", "START|STOP|RESTART|RST|EXIT", "EXIT"),
    level("PTIME", "%%%", 1, 180, 10, false),
    choice("CCAPTIONDISP", "OFF|CC1|CC2|CC3|CC4", "OFF"),
    choice("CCAPTIONCOLOR", "COLOR|WHITE", "COLOR"),
    choice("RCODE", "001|002", "001", true),
    choice("KEYDIS", "NONE|RC|KEY", "NONE"),
    level("PJPINCODE", "%%%%", 0, 9999, 0, false),
    choice("FANMODE", "L1|L2", "L1"),
    choice("FANCONTROL", "OFF|ON1|ON2", "OFF"),
    choice("DELAYCTRL", OnOff, "OFF"),
    choice("FILTIMER", "1000|2000|3000|4000|5000|6000|OFF", "3000", true),
    action("FILH", "RST"),
    action("TTLPWRSAVE", "RST"),
    action("FDEFAULT", "RST"),
    action("KEYEMU", "RIGHT|LEFT|UP|DN|SELECT|AUTOPC"),
    choice("MENU", OnOff, "OFF"),
    choice("POWER", OnOff, "OFF"),
    choice("FREEZE", OnOff, "OFF", true),
    choice("VMUTE", OnOff, "OFF", true),
};

constexpr std::array basicCodeTable{
    BasicCode{"C00", "POWER", "ON"},
    BasicCode{"C01", "POWER", "OFF"},  // quick power off
    BasicCode{"C02", "POWER", "OFF"},
    BasicCode{"C05", "INPUT", "COMPUTER1"},
    BasicCode{"C06", "INPUT", "COMPUTER2"},
    BasicCode{"C07", "INPUT", "VIDEO"},
    BasicCode{"C09", "VOLUME", "UP"},
    BasicCode{"C0A", "VOLUME", "DN"},
    BasicCode{"C0B", "MUTE", "ON"},
    BasicCode{"C0C", "MUTE", "OFF"},
    BasicCode{"C0D", "VMUTE", "ON"},
    BasicCode{"C0E", "VMUTE", "OFF"},
    BasicCode{"C0F", "SCREEN", "NORMAL"},
    BasicCode{"C10", "SCREEN", "FULL"},
    BasicCode{"C11", "IMAGE", "STAND"},
    BasicCode{"C12", "IMAGE", "REAL"},
    BasicCode{"C13", "IMAGE", "CINEMA"},
    BasicCode{"C14", "IMAGE", "CUSTOM1"},
    BasicCode{"C15", "IMAGE", "CUSTOM2"},
    BasicCode{"C16", "IMAGE", "CUSTOM3"},
    BasicCode{"C17", "IMAGE", "CUSTOM4"},
    BasicCode{"C18", "IMAGE", "BLACKBOARD"},
    BasicCode{"C19", "IMAGE", "DYNAMIC"},
    BasicCode{"C1C", "MENU", "ON"},
    BasicCode{"C1D", "MENU", "OFF"},
    BasicCode{"C1E", "", ""},  // display clear: nothing to read back
    BasicCode{"C20", "BRIGHT", "UP"},
    BasicCode{"C21", "BRIGHT", "DN"},
    BasicCode{"C25", "INPUT", "COMPUTER2 ANALOG"},
    BasicCode{"C27", "IMAGE", "NEXT"},
    BasicCode{"C28", "ON-STA", "ON"},
    BasicCode{"C29", "ON-STA", "OFF"},
    BasicCode{"C2A", "P-MANE", "READY"},
    BasicCode{"C2B", "P-MANE", "OFF"},
    BasicCode{"C2E", "P-MANE", "SHUTDOWN"},
    BasicCode{"C30", "SCREEN", "DZOOM UP"},
    BasicCode{"C31", "SCREEN", "DZOOM DN"},
    BasicCode{"C34", "INPUT", "S-VIDEO"},
    BasicCode{"C39", "IMAGE", "COLORBOARD"},
    BasicCode{"C3A", "KEYEMU", "RIGHT"},
    BasicCode{"C3B", "KEYEMU", "LEFT"},
    BasicCode{"C3C", "KEYEMU", "UP"},
    BasicCode{"C3D", "KEYEMU", "DN"},
    BasicCode{"C3F", "KEYEMU", "SELECT"},
    BasicCode{"C43", "FREEZE", "ON"},
    BasicCode{"C44", "FREEZE", "OFF"},
    BasicCode{"C50", "INPUT", "COMPUTER1 ANALOG"},
    BasicCode{"C51", "INPUT", "COMPUTER1 SCART"},
    BasicCode{"C54", "INPUT", "COMPUTER1 YPBPR"},
    BasicCode{"C5B", "INPUT", "COMPUTER2 DIGITAL"},
    BasicCode{"C5C", "INPUT", "COMPUTER2 HDCP"},
    BasicCode{"C89", "KEYEMU", "AUTOPC"},
    BasicCode{"C8A", "PTIMER", "START"},
    BasicCode{"C8B", "PTIMER", "EXIT"},
    BasicCode{"C8E", "KEYSTONE", "UP"},
    BasicCode{"C8F", "KEYSTONE", "DN"},
};

constexpr std::array<std::string_view, 6> basicReadTable{"CR0", "CR1", "CR3", "CR4", "CR6", "CR7"};

constexpr std::array<std::string_view, 91> readKeywordTable{
    "BRIGHT", "CONT", "COLOR", "TINT", "SHARP", "GAMMA", "WBAL-R", "WBAL-G", "WBAL-B",
    "COLTEMP", "NZRED", "PROGV", "IMAGE", "IMGGMD", "COLBOARD", "FSYNC", "TDOTS", "CLAMP",
    "H-POS", "V-POS", "DDOTS", "DLINE", "PCSTORE", "SERSYS", "INPUT", "SOURCE", "SRCINP1",
    "SRCINP2", "SRCINP3", "SRCINP4", "SYSTEM", "SYSLIST", "MODELIST", "SCREEN", "VSCALE",
    "VPOS", "HSCALE", "HPOS", "KYSTNMODE", "CEIL", "REAR", "LAMPREPL", "LAMPH",
    "LAMPCORRESPH", "LAMPMODE", "LAMPSTS", "PROJH", "HMLAMP", "LAMPLIFECONTRL", "VOLUME",
    "MUTE", "MIC", "MICGAIN", "STANDBYMICOUT", "LANG", "INPUTSEARCH", "AUTOSETUPPCADJ",
    "AUTOSETUPKEYSTONE", "BACKGND", "DISP", "LOGO", "P-MANE", "P-MANETIME", "ON-STA",
    "STANDBYMODE", "PTIMEMODE", "PTIMER", "PTIME", "CCAPTIONDISP", "CCAPTIONCOLOR", "RCODE",
    "SECURITY", "KEYDIS", "PJLOCKNOW", "PJLOCKMENU", "FANMODE", "FANCONTROL", "DELAYCTRL",
    "FILH", "FILREPL", "FILTIMER", "TTLPWRSAVEKWH", "TTLPWRSAVECO2", "STATUS", "SIGNAL",
    "VMUTE", "FREEZE", "TEMPWARN", "TEMP", "TEMPFAIL", "SERIALNO",
};

bool equals(std::string_view a, QByteArrayView b)
{
    return QByteArrayView(a.data(), qsizetype(a.size())) == b;
}

} // namespace

std::span<const Family> families() { return familyTable; }

const Family *family(QByteArrayView keyword)
{
    const auto it = std::find_if(familyTable.begin(), familyTable.end(),
                                 [&](const Family &f) { return equals(f.keyword, keyword); });
    return it == familyTable.end() ? nullptr : &*it;
}

qsizetype indexOf(const Family &family)
{
    return &family - familyTable.data();
}

std::span<const BasicCode> basicCodes() { return basicCodeTable; }

const BasicCode *basicCode(QByteArrayView code)
{
    const auto it = std::find_if(basicCodeTable.begin(), basicCodeTable.end(),
                                 [&](const BasicCode &b) { return equals(b.code, code); });
    return it == basicCodeTable.end() ? nullptr : &*it;
}

std::span<const std::string_view> basicReads() { return basicReadTable; }
std::span<const std::string_view> readKeywords() { return readKeywordTable; }

bool isReadKeyword(QByteArrayView keyword)
{
    return std::any_of(readKeywordTable.begin(), readKeywordTable.end(),
                       [&](std::string_view k) { return equals(k, keyword); });
}

int wordIndex(std::string_view list, QByteArrayView word)
{
    const int count = wordCount(list);
    for (int i = 0; i < count; ++i) {
        if (equals(wordAt(list, i), word))
            return i;
    }
    return -1;
}

int wordCount(std::string_view list)
{
    if (list.empty())
        return 0;
    return int(std::count(list.begin(), list.end(), '|')) + 1;
}

std::string_view wordAt(std::string_view list, int index)
{
    for (; index > 0; --index) {
        const size_t bar = list.find('|');
        if (bar == std::string_view::npos)
            return {};
        list.remove_prefix(bar + 1);
    }
    return list.substr(0, list.find('|'));
}

bool fillsPattern(std::string_view pattern, QByteArrayView word)
{
    if (pattern.empty() || qsizetype(pattern.size()) != word.size())
        return false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = word[qsizetype(i)];
        if (pattern[i] == '%' ? (c < '0' || c > '9') : c != pattern[i])
            return false;
    }
    return true;
}

} // namespace CommandTable
