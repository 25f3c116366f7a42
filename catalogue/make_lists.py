#!/usr/bin/env python3
"""Writes the three command lists (basic.txt, expand.txt, read.txt) that the
program compiles in, one entry a line, from the tables below.

Run it after changing a table; the text files are what ships. Entries may
end in blanks and hold tabs, so the files are written byte for byte.
"""

from pathlib import Path

CR = "[CR]"

# ---------------------------------------------------------------- basic list
# (code, description); the code C25 has a tab in its gap.
BASIC = [
    ("C00", "POWER ON"),
    ("C01", "POWER OFF(Quick Power OFF)"),
    ("C02", "POWER OFF"),
    ("C05", "Computer 1"),
    ("C06", "Computer 2"),
    ("C07", "Video"),
    ("C09", "VOLUME +"),
    ("C0A", "VOLUME -"),
    ("C0B", "AUDIO MUTE ON"),
    ("C0C", "AUDIO MUTE OFF"),
    ("C0D", "VIDEO MUTE ON"),
    ("C0E", "VIDEO MUTE OFF"),
    ("C0F", "Screen Normal size(4:3)"),
    ("C10", "Screen Full size"),
    ("C11", "Image Standard"),
    ("C12", "Image Real"),
    ("C13", "Image Cinema"),
    ("C14", "Image 1"),
    ("C15", "Image 2"),
    ("C16", "Image 3"),
    ("C17", "Image 4"),
    ("C18", "Image Blackboard"),
    ("C19", "Image Dynamic"),
    ("C1C", "MENU ON"),
    ("C1D", "MENU OFF"),
    ("C1E", "DISPLAY CLEAR"),
    ("C20", "BRIGHTNESS +"),
    ("C21", "BRIGHTNESS -"),
    ("C25", "Computer 2 RGB"),
    ("C27", "IMAGE(Toggle)"),
    ("C28", "Direct on Enable"),
    ("C29", "Direct on Disable"),
    ("C2A", "Power Management Ready"),
    ("C2B", "Power Management OFF"),
    ("C2E", "Power Management Shut down"),
    ("C30", "D.Zoom +"),
    ("C31", "D.Zoom -"),
    ("C34", "S-video"),
    ("C39", "Image Colorboard"),
    ("C3A", "POINTER RIGHT"),
    ("C3B", "POINTER LEFT"),
    ("C3C", "POINTER UP"),
    ("C3D", "POINTER DOWN"),
    ("C3F", "ENTER"),
    ("C43", "FREEZE ON"),
    ("C44", "FREEZE OFF"),
    ("C50", "Computer 1 Analog RGB"),
    ("C51", "Computer 1 Scart"),
    ("C54", "Computer 1 Component"),
    ("C5B", "Computer 2 DVI(PC Digital)"),
    ("C5C", "Computer 2 DVI(AV HDCP)"),
    ("C89", "Auto PC ADJ."),
    ("C8A", "PRESENTATION TIMER"),
    ("C8B", "PRESENTATION TIMER(Exit)"),
    ("C8E", "KEYSTONE UP"),
    ("C8F", "KEYSTONE DOWN"),
    ("CR0", "Status Read"),
    ("CR1", "Input Mode Read"),
    ("CR3", "(Corresponding)Lamp Time Read"),
    ("CR4", "Setting Read"),
    ("CR6", "Temp Read"),
    ("CR7", "Lamp Mode Read"),
]


def basic_line(code, description):
    gap = "\t    " if code == "C25" else "     "
    return code + CR + gap + description


# --------------------------------------------------------------- expand list
# Runs sharing one item keyword: (keyword, values, description of the first
# row, description of the parameter row). Values are separated by "|" since
# some hold a space. A list as the description gives every row its own.
PARAM = "% = 0-9"


def values(text):
    return text.split("|")


EXPAND = [
    ("BRIGHT", "UP|DN|0%%", "Set Brightness value", PARAM),
    ("CONT", "UP|DN|0%%", "Set Contrast value", PARAM),
    ("COLOR", "UP|DN|0%%", "Set Color value", PARAM),
    ("TINT", "UP|DN|0%%", "Set Tint value", PARAM),
    ("SHARP", "UP|DN|0%%", "Set Sharpness value", PARAM),
    ("GAMMA", "UP|DN|0%%", "Set Gamma value", PARAM),
    ("WBAL-R", "UP|DN|0%%", "Set White Balance Red value", PARAM),
    ("WBAL-G", "UP|DN|0%%", "Set White Balance Green value", PARAM),
    ("WBAL-B", "UP|DN|0%%", "Set White Balance Blue value", PARAM),
    ("COLTEMP", "000|001|002|003", "Set Color Temp. value", None),
    ("PROGV", "FILM|L1|L2|OFF|UP|DN", "Set/Cancel Progressive Scan", None),
    ("NZRED", "OFF|L1|L2|UP|DN", "Set/Cancel Noise reduction", None),
    ("IMAGE", "DYNAMIC|STAND|REAL|CINEMA|BLACKBOARD|COLORBOARD|CUSTOM1|CUSTOM2|CUSTOM3|CUSTOM4",
     "Set Image mode", None),
    ("COLBOARD", "RED|BLUE|YELLOW|GREEN", "Set Colorboard mode", None),
    ("IMAGEADJ", "RST|STR1|STR2|STR3|STR4", "Reset/Store for image adjustment", None),
    ("FSYNC", "UP|DN|00%%", "Set Fine Sync value", PARAM),
    ("TDOTS", "UP|DN|%%%%", "Set Total Dots value", PARAM),
    ("CLAMP", "UP|DN|%%%%", "Set Clamp Value", PARAM),
    ("H-POS", "UP|DN|%%%%", "Set Horizonetal Position value", PARAM),
    ("V-POS", "UP|DN|%%%%", "Set Vertical Position value", PARAM),
    ("DDOTS", "UP|DN|%%%%", "Set Display Dots value", PARAM),
    ("DLINE", "UP|DN|%%%%", "Set Display Line value", PARAM),
    ("PCSTORE", "|".join(f"MODE{n}" for n in range(1, 11)),
     "Store current values of PC Adjust at Mode 1-10", None),
    ("PCMODEFREE", "|".join(f"MODE{n}" for n in range(1, 11)),
     "Relese registered values of Mode 1-10", None),
    ("INPUT", "COMPUTER1|COMPUTER2|VIDEO|S-VIDEO|UP|DN", "Select Input", None),
    ("SOURCE", "ANALOG|YPBPR|S-VIDEO|SCART|VIDEO|DIGITAL|HDCP|UP|DN", "Select Input Source", None),
    ("INPUT1", "ANALOG|YPBPR|SCART", "Select Input11 and also set input source to %1", None),
    ("INPUT2", "ANALOG|DIGITAL|HDCP", "Select Input12 and also set input source to %1", None),
    ("INPUT3", "VIDEO", "Select Input13 and also set input source to %1", None),
    ("INPUT4", "S-VIDEO", "Select Input14 and also set input source to %1", None),
    ("INPUT", "COMPUTER1 ANALOG|COMPUTER1 YPBPR|COMPUTER1 SCART|COMPUTER2 ANALOG|"
     "COMPUTER2 DIGITAL|COMPUTER2 HDCP|VIDEO VIDEO|S-VIDEO S-VIDEO", "Select Input and Source", None),
    ("SYSTEM", "VGA1|XGA1|WXGA3|AUTO|NTSC|NTSC443|PAL|SECAM|PAL-M|PAL-N|1080I|1035I|720P|575P|"
     "480P|575I|480I|D-XGA1|D-WXGA3|D-1080I|D-1035I|D-720P|D-575P|D-480P", "Select System", None),
    ("SCREEN", "NORMAL|FULL|WIDE|ZOOM|TRUE|CUSTOM|NATURAL|DZOOM UP|DZOOM DN|UP|DN|RST",
     "Select Screen size", None),
    ("DZCENT", "CENT", "Cancel Digital Zoom mode", None),
    ("VSCALE", "UP|DN|%%%", "Set value of Vertical scale", PARAM),
    ("VPOS", "UP|DN|%%%", "Set value of Vertical position", PARAM),
    ("HSCALE", "UP|DN|%%%", "Set value of Horizontal scale", PARAM),
    ("HPOS", "UP|DN|%%%", "Set value of Horizontal position", PARAM),
    ("KEYSTONE", "UP|FUP|DN|FDN|RST", "Set Keystone", None),
    ("KYSTNMODE", "STR|RST", "Set Keystone Store mode", None),
    ("CEIL", "ON|OFF", "Set Celling function", None),
    ("REAR", "ON|OFF", "Set Rear function", None),
    ("LAMPMODE", "AUTO|NORMAL|ECO1|ECO2|UP|DN", "Select Lamp mode", None),
    ("LAMPLIFECONTRL", "MODE1|MODE2", None, None),
    ("VOLUME", "UP|DN|0%%", "Set Volume value", PARAM),
    ("MUTE", "ON|OFF", "Control ON/OFF of Sound Mute", None),
    ("MIC", "ON|OFF", "Set MIC function", None),
    ("MICGAIN", "UP|DN|0%%", "Set Volume value", PARAM),
    ("STANDBYMICOUT", "ON|OFF", None, None),
    ("LANG", "ENG|DEU|FRA|ITA|ESP|POR|NED|SVE|FIN|POL|HUN|ROM|CZE|RUS|TUR|KAZ|VIE|CHI|KOR|JPN|THA",
     ["Select English        Select language for OSD", "Select German", "Select French",
      "Select Italian", "Select Spanish", "Select Portuguese", "Select Dutch", "Select Swedish",
      "Select Finnish", "Select polish", "Select Hungarian", "Select Romanian", "Select Cheskey",
      "Select Russian", "Select Turkish", "Select Kazakh", "Select Vietnamese", "Select Chinese",
      "Select Korean", "Select Japanese", "Select Thai"], None),
    ("MENUPOSITION", "SET", "Move nenu position", None),
    ("INPUTSEARCH", "OFF|ON1|ON2", "Set up Input search function", None),
    ("AUTOSETUPPCADJ", "ON|OFF", "Set Auto PC in Auto Setup", None),
    ("AUTOSETUPKEYSTONE", "AUTO|MANUAL|OFF", "Set Auto PC in Auto Setup", None),
    ("AUTOSETUP", "START", "Excute Auto Setup", None),
    ("BACKGND", "BLUE|USER|BLACK|UP|DN", "Set Screen mode for the case of no signal", None),
    ("DISP", "ON|CNTDWNOFF|OFF|UP|DN", "Set Display function", None),
    ("LOGO", "%%%% OFF|%%%% DFLT|%%%% USER|%%%% UP|%%%% DN", "Set Logo function", None),
    ("P-MANE", "OFF|READY|SHUTDOWN|UP|DN", "Set Power management function", None),
    ("P-MANETIME", "UP|DN|%%", "Set Power management time", None),
    ("ON-STA", "ON|OFF|UP|DN", "Set Power ON Start function", None),
    ("STANDBYMODE", "ECO|NORMAL", "Set Standby Mode", None),
    ("PTIMEMODE", "COUNTUP|COUNTDN", "Set count up/count down P-timer function", None),
    ("PTIMER", "START|STOP|RESTART|RST|EXIT", "Set the status of P-timer", None),
    ("PTIME", "%%%", "Set Countdown timer for P-timer", None),
    ("CCAPTIONDISP", "OFF|CC1|CC2|CC3|CC4", "Set channel of Closed caption", None),
    ("CCAPTIONCOLOR", "COLOR|WHITE", "Set color of Closed caption", None),
    ("RCODE", "001|002|UP|DN", "Select Remote Control Receptin Code", None),
    ("KEYDIS", "NONE|RC|KEY", "Disable RC/Projector keys", None),
    ("PJPINCODE", "%%%%", "input PIN code release PJ Lock", None),
    ("FANMODE", "L1|L2", "Select Fan mode", None),
    ("FANCONTROL", "OFF|ON1|ON2", "Select Fan control mode", None),
    ("DELAYCTRL", "ON|OFF", "Set Video delay control", None),
    ("FILTIMER", "1000|2000|3000|4000|5000|6000|OFF|UP|DN",
     "Set time when Filter warning OSD is displayed", None),
    ("FILH", "RST", "Reset Filter used time", None),
    ("TTLPWRSAVE", "RST", "Reset Total Power Saving", None),
    ("FDEFAULT", "RST", "Set the value to Factory Default ", None),
    ("KEYEMU", "RIGHT|LEFT|UP|DN|SELECT|AUTOPC",
     "Behave the same as corresponding key of projector top panel", None),
    ("MENU", "ON|OFF", "Switch ON/OFF of each Menu.", None),
    ("POWER", "ON|OFF", "Switch ON/OFF of Power.", None),
    ("FREEZE", "ON|OFF|UP|DN", "Set Freezefunction.", None),
    ("VMUTE", "ON|OFF|UP|DN", "Set No show function.", None),
]


def expand_rows():
    """(command text, description or None) for every row, in order."""
    for keyword, value_text, first, parameter in EXPAND:
        for index, value in enumerate(values(value_text)):
            command = f"CF {keyword} {value}"
            if isinstance(first, list):
                yield command, first[index]
            elif index == 0:
                yield command, first
            elif parameter and "%" in value:
                yield command, parameter
            else:
                yield command, None


# Rows from the menu position on were added after the language block and put
# one tab fewer in their gap.
LATER_ROWS_FROM = "CF MENUPOSITION SET"
GAP = "  \t\t"
LATER_GAP = "  \t"


def expand_lines():
    gap = GAP
    for command, description in expand_rows():
        if command == LATER_ROWS_FROM:
            gap = LATER_GAP
        yield command + CR + (gap + ":" + description if description is not None else "")


# ----------------------------------------------------------------- read list
READ = [
    ("BRIGHT", "Get Brightness value"),
    ("CONT", "Get Contrast value"),
    ("COLOR", "Get Color value"),
    ("TINT", "Get Tint valu"),
    ("SHARP", "Get Sharpness value"),
    ("GAMMA", "Get Gamma value"),
    ("WBAL-R", "Get White Balance Red value"),
    ("WBAL-G", "Get White Balance Green value"),
    ("WBAL-B", "Get White Balance Blue value"),
    ("COLTEMP", "Get setting Color of temperatue"),
    ("NZRED", "Get setting status of Noise reduction"),
    ("PROGV", "Get setting status of Progressive Scan"),
    ("IMAGE", "Get Image Mode status"),
    ("IMGGMD", "Get Gamma Mode status of Image"),
    ("COLBOARD", "Get Colorboard Mode status"),
    ("FSYNC", "Get Fine Sync value"),
    ("TDOTS", "Get Total Dots value"),
    ("CLAMP", "Get Clamp Value"),
    ("H-POS", "Get Horizontal Position value"),
    ("V-POS", "Get Vertical Position value"),
    ("DDOTS", "Get Display Dots value"),
    ("DLINE", "Get Display Line value"),
    ("PCSTORE", "Get Free or Stored status for PC Adj.mode1-5"),
    ("SERSYS", "Get selected current signal. When in Auto mode, it returns a result by Auto detect"),
    ("INPUT", "Get selected Input No."),
    ("SOURCE", "Get selected source of currently selected input"),
    ("SRCINP1", "Get selected source of Computer1"),
    ("SRCINP2", "Get selected source of Computer2"),
    ("SRCINP3", "Get selected source of Computer3"),
    ("SRCINP4", "Get selected source of Computer4"),
    ("SYSTEM", "Get selected system status in input mode"),
    ("SYSLIST", "Get selectable System table"),
    ("MODELIST", "Get selectable Mode table"),
    ("SCREEN", "Get selected Screen size"),
    ("VSCALE", "Get value of Vertical scale"),
    ("VPOS", "Get value of Vertical position"),
    ("HSCALE", "Get value of Horizontal scale"),
    ("HPOS", "Get value of Horizontal position"),
    ("KYSTNMODE", "Get Keystone Store Mode status"),
    ("CEIL", "Get setting status of Ceiling"),
    ("REAR", "Get setting status of Rear"),
    ("LAMPREPL", "Get the information for Lamp replacement time"),
    ("LAMPH", "Get lamp total running time"),
    ("LAMPCORRESPH", "Get corresponding lamp use time"),
    ("LAMPMODE", "Get Lamp Mode status"),
    ("LAMPSTS", "Get lamp lighting status"),
    ("PROJH", "Get projector running time"),
    ("HMLAMP", "Get lamp number"),
    ("LAMPLIFECONTRL", "Get Lamp Life Control Mode status"),
    ("VOLUME", "Get Volume value"),
    ("MUTE", "Get ON/OFF status of Sound Mute"),
    ("MIC", "Get setting status of MIC"),
    ("MICGAIN", "Get MIC Gain value"),
    ("STANDBYMICOUT", "Get setting status of Standby MIC Output"),
    ("LANG", "Get selected language"),
    ("INPUTSEARCH", "Get setting status of Input search"),
    ("AUTOSETUPPCADJ", "Get setting status of Auto PC in Auto Setup"),
    ("AUTOSETUPKEYSTONE", "Get setting status of Auto Keystone in Auto Setup"),
    ("BACKGND", "Get Screen mode for the case of no signal"),
    ("DISP", "Get setting status of Display"),
    ("LOGO", "GET setting status of Logo"),
    ("P-MANE", "Get setting status of Power management"),
    ("P-MANETIME", "Get Power management time"),
    ("ON-STA", "Get setting status of Power ON Start"),
    ("STANDBYMODE", "Get Standby Mode status"),
    ("PTIMEMODE", "Get count up/count down status of P-timer"),
    ("PTIMER", "Get the status of P-timer"),
    ("PTIME", "Get setting time for count down mode in P-timer"),
    ("CCAPTIONDISP", "Get channel of Closed caption"),
    ("CCAPTIONCOLOR", "Get color of Closed caption"),
    ("RCODE", "Get selsected Remote Control Code"),
    ("SECURITY", "Get setting status of Security"),
    ("KEYDIS", "Get RC/KEY disability status"),
    ("PJLOCKNOW", "Get if PJ Lock is actually in operation"),
    ("PJLOCKMENU", "Get setting status of PJ Lock on Menu"),
    ("FANMODE", "Get Fan Mode status"),
    ("FANCONTROL", "Get Fan control Mode status"),
    ("DELAYCTRL", "Get setting status of Video delay control"),
    ("FILH", "Get Filter used time"),
    ("FILREPL", "Get the information for Filter replacement time"),
    ("FILTIMER", "Get time when Filter warning OSD is displayed"),
    ("TTLPWRSAVEKWH", "Get information for value of total power saving (kWh)"),
    ("TTLPWRSAVECO2", "Get information for value of total power saving (kg/CO2)"),
    ("STATUS", "Get setting status of Projector behavior"),
    ("SIGNAL", "Get Signal Status if there is a signal or not"),
    ("VMUTE", "Get setting status of No Show"),
    ("FREEZE", "Get setting status of Freeze"),
    ("TEMPWARN", "Get if temperature is close to abnomal temperature"),
    ("TEMP", "Get current temperature atatus"),
    ("TEMPFAIL", "Get temperature when sensors approach abnomal temperature  "),
    ("SERIALNO", "Get serial number"),
]

# Short commands take a tab so that the descriptions line up.
SHORT_COMMAND = 10


def read_line(keyword, description):
    command = f"CR {keyword}"
    gap = " \t" if len(command) <= SHORT_COMMAND else " "
    return command + CR + gap + ":" + description


def write(path, lines):
    with open(path, "w", encoding="ascii", newline="\n") as file:
        for line in lines:
            file.write(line + "\n")


def main():
    here = Path(__file__).resolve().parent / "lists"
    write(here / "basic.txt", (basic_line(*row) for row in BASIC))
    write(here / "expand.txt", expand_lines())
    write(here / "read.txt", (read_line(*row) for row in READ))


if __name__ == "__main__":
    main()
