#pragma once

#include <QByteArray>
#include <QRect>
#include <QStringView>

#include <span>

// The main window as data: its groups and its 69 buttons, in twips (see
// look/twips.h). Controls inside a group are placed relative to the group's
// top-left corner.
namespace PanelTable {

inline constexpr int ClientWidth = 10185;
inline constexpr int FullClientHeight = 7620;
inline constexpr int CompactClientHeight = 5300;
// Client height at or above which the window counts as the full view (the
// 7000-twip outer threshold less the 480 twips of title bar and borders).
inline constexpr int FullViewThreshold = 6520;

enum class Colour { System, Cyan, Yellow, Green, Pink, PaleCyan, Orange };
// 0xRRGGBB; only meaningful for colours other than System.
[[nodiscard]] quint32 rgb(Colour colour);

enum class Kind {
    OneShot,       // sends its frame on every click
    Hold,          // sends on press and repeats while held
    End,           // "END"
    Com,           // "COM": port settings
    CommandTable,  // "Command Table": the command list window
};

enum class Arrow { None, Up, Down, Left, Right };

struct Group {
    const char *frame;        // objectName of the group
    const char *titleLabel;   // objectName of its title, or nullptr
    const char *title;
    QRect twips;
    int titleY;
};

struct Button {
    const char *name;         // objectName
    const char *group;        // objectName of the group, nullptr on the window
    const char *caption;      // empty for arrow pictures
    const char *sends;        // command text without CR; nullptr if nothing
    QRect twips;
    Colour colour;
    Kind kind;
    Arrow arrow;
    int repeatCode;           // 1 to 12 for hold buttons, 0 otherwise
    const char *accessibleName;
    int pointSize10;          // caption size in tenths of a point
};

// The buttons whose frames other programs send by name (rm740ctl, the
// bridge and its page), by a key that stays when a caption or an accessible
// name changes.
enum class Key {
    PowerOn, PowerOff, AudioMuteOn, AudioMuteOff, VideoMuteOn, VideoMuteOff,
    Computer1Rgb, Computer1Component, Computer1Scart, Computer2Rgb, Computer2DviPc, Computer2DviHdcp,
    Video, SVideo,
    ReadStatus, ReadInput, ReadSetting, ReadLampTime, ReadTemperatures, ReadLampStatus, ReadLampMode,
};

[[nodiscard]] std::span<const Group> groups();
[[nodiscard]] std::span<const Button> buttons();
[[nodiscard]] const Button &button(Key key);
// The button of that objectName; null for none.
[[nodiscard]] const Button *buttonNamed(QStringView name);
// The frame a button sends (its text and CR); empty for one that sends nothing.
[[nodiscard]] QByteArray frame(const Button &button);
[[nodiscard]] QByteArray frame(Key key);
[[nodiscard]] const Button *buttonByRepeatCode(int repeatCode);
// The title of the group named `frame`; null for none.
[[nodiscard]] const char *groupTitle(const char *frame);

} // namespace PanelTable
