#include "panel/paneltable.h"

#include "protocol/frame.h"

#include <array>
#include <string_view>

namespace PanelTable {
namespace {

using C = Colour;
using K = Kind;
using A = Arrow;

constexpr std::array groupTable{
    Group{"Frame1", "Label1", "Power", {120, 0, 975, 1520}, 240},
    Group{"Frame2", "Label2", "Computer 1", {1200, 0, 1620, 1575}, 120},
    Group{"Frame8", "Label15", "Computer 2", {2880, 0, 1785, 1575}, 120},
    Group{"Frame11", "Label19", "Video", {4725, 15, 1785, 735}, 120},
    Group{"Frame18", "Label22", "S-VIDEO", {4725, 840, 1785, 735}, 120},
    Group{"Frame5", "Label6", "Screen", {6600, 0, 1650, 1575}, 120},
    Group{"Frame21", "Label18", "Lamp Mode", {8400, 0, 1695, 1890}, 120},
    Group{"Frame3", "Label4", "Audio Mute", {120, 1600, 1935, 732}, 120},
    Group{"Frame4", "Label5", "Video Mute", {2173, 1600, 1935, 732}, 120},
    Group{"Frame7", "Label8", "Freeze", {4226, 1600, 1935, 732}, 120},
    Group{"Frame13", "Label23", "On Start", {6279, 1600, 1935, 732}, 120},
    Group{"Frame14", "Label20", "MIC", {8400, 2040, 1695, 1425}, 240},
    Group{"Frame6", "Label7", "Menu", {120, 2400, 2700, 1935}, 120},
    Group{"Frame19", "Label3", "Volume", {2940, 2400, 1230, 1095}, 120},
    Group{"Frame17", "Label16", "Bright", {4290, 2400, 1230, 1095}, 120},
    Group{"Frame16", "Label17", "D.Zoom", {5640, 2400, 1230, 1095}, 120},
    Group{"Frame10", "Label13", "Keystone", {6990, 2400, 1230, 1095}, 120},
    Group{"Frame20", "Label14", "R/C Key Off", {2940, 4600, 5240, 555}, 180},
};

// In tab order: the Power "On" button first, so it has the focus at start.
constexpr std::array buttonTable{
    Button{"Command17", "Frame1", "On", "C00", {180, 600, 615, 300}, C::Green, K::OneShot, A::None, 0, "Power On", 90},
    Button{"Command18", "Frame1", "Off", "C01", {180, 1080, 615, 300}, C::Pink, K::OneShot, A::None, 0, "Power Off", 90},
    Button{"Command28", "Frame2", "Analog RGB", "C50", {120, 480, 1300, 300}, C::Cyan, K::OneShot, A::None, 0, "Computer 1 Analog RGB", 90},
    Button{"Command53", "Frame2", "Component", "C54", {120, 840, 1300, 300}, C::Cyan, K::OneShot, A::None, 0, "Computer 1 Component", 90},
    Button{"Command29", "Frame2", "Scart", "C51", {120, 1200, 1300, 300}, C::Cyan, K::OneShot, A::None, 0, "Computer 1 Scart", 90},
    Button{"Command11", "Frame8", "Analog RGB", "C06", {120, 480, 1500, 300}, C::Cyan, K::OneShot, A::None, 0, "Computer 2 Analog RGB", 90},
    Button{"Command39", "Frame8", "DVI (PC Digital)", "C5B", {120, 840, 1500, 300}, C::Cyan, K::OneShot, A::None, 0, "Computer 2 DVI PC Digital", 90},
    Button{"Command56", "Frame8", "DVI (AV HDCP)", "C5C", {120, 1200, 1500, 300}, C::Cyan, K::OneShot, A::None, 0, "Computer 2 DVI AV HDCP", 90},
    Button{"Command12", "Frame11", "Video", "C07", {243, 360, 1300, 300}, C::Cyan, K::OneShot, A::None, 0, "Video input", 90},
    Button{"Command27", "Frame18", "S-VIDEO", "C34", {240, 360, 1300, 300}, C::Cyan, K::OneShot, A::None, 0, "S-Video input", 90},
    Button{"Command32", "Frame5", "Full", "C10", {120, 500, 1400, 300}, C::Cyan, K::OneShot, A::None, 0, "Screen full size", 90},
    Button{"Command31", "Frame5", "Normal", "C0F", {120, 1080, 1400, 300}, C::Cyan, K::OneShot, A::None, 0, "Screen normal size", 90},
    Button{"Command9", "Frame21", "AUTO", "CF LAMPMODE AUTO", {120, 360, 1460, 300}, C::Cyan, K::OneShot, A::None, 0, "Lamp mode auto", 90},
    Button{"Command68", "Frame21", "Normal", "CF LAMPMODE NORMAL", {120, 720, 1460, 300}, C::Cyan, K::OneShot, A::None, 0, "Lamp mode normal", 90},
    Button{"Command75", "Frame21", "Eco 1", "CF LAMPMODE ECO1", {120, 1080, 1460, 300}, C::Cyan, K::OneShot, A::None, 0, "Lamp mode eco 1", 90},
    Button{"Command40", "Frame21", "Eco 2", "CF LAMPMODE ECO2", {120, 1440, 1460, 300}, C::Cyan, K::OneShot, A::None, 0, "Lamp mode eco 2", 90},
    Button{"Command19", "Frame3", "On", "C0B", {120, 360, 800, 300}, C::Green, K::OneShot, A::None, 0, "Audio mute on", 90},
    Button{"Command20", "Frame3", "Off", "C0C", {1015, 360, 800, 300}, C::Pink, K::OneShot, A::None, 0, "Audio mute off", 90},
    Button{"Command21", "Frame4", "On", "C0D", {120, 360, 800, 300}, C::Green, K::OneShot, A::None, 0, "Video mute on", 90},
    Button{"Command22", "Frame4", "Off", "C0E", {1015, 360, 800, 300}, C::Pink, K::OneShot, A::None, 0, "Video mute off", 90},
    Button{"Command25", "Frame7", "On", "C43", {120, 360, 800, 300}, C::Green, K::OneShot, A::None, 0, "Freeze on", 90},
    Button{"Command26", "Frame7", "Off", "C44", {1015, 360, 800, 300}, C::Pink, K::OneShot, A::None, 0, "Freeze off", 90},
    Button{"Command69", "Frame13", "Enable", "C28", {120, 360, 800, 300}, C::Green, K::OneShot, A::None, 0, "Power on start enable", 90},
    Button{"Command70", "Frame13", "Disable", "C29", {1040, 360, 800, 300}, C::Pink, K::OneShot, A::None, 0, "Power on start disable", 90},
    Button{"Command41", "Frame14", "ON", "CF MIC ON", {120, 600, 1460, 300}, C::Green, K::OneShot, A::None, 0, "Microphone on", 90},
    Button{"Command43", "Frame14", "OFF", "CF MIC OFF", {120, 960, 1460, 300}, C::Pink, K::OneShot, A::None, 0, "Microphone off", 90},
    Button{"Command23", "Frame6", "On", "C1C", {120, 360, 750, 300}, C::Green, K::OneShot, A::None, 0, "Menu on", 90},
    Button{"Command24", "Frame6", "Off", "C1D", {120, 840, 750, 300}, C::Pink, K::OneShot, A::None, 0, "Menu off", 90},
    Button{"Command6", "Frame6", "Enter", "C3F", {120, 1320, 750, 300}, C::Orange, K::OneShot, A::None, 0, "Menu enter", 90},
    Button{"Command5", "Frame6", "", "C3C", {1440, 360, 735, 300}, C::Yellow, K::Hold, A::Up, 3, "Menu pointer up", 90},
    Button{"Command38", "Frame6", "", "C3B", {990, 840, 735, 300}, C::Yellow, K::Hold, A::Left, 5, "Menu pointer left", 90},
    Button{"Command8", "Frame6", "", "C3A", {1845, 840, 735, 300}, C::Yellow, K::Hold, A::Right, 6, "Menu pointer right", 90},
    Button{"Command7", "Frame6", "", "C3D", {1440, 1320, 735, 300}, C::Yellow, K::Hold, A::Down, 4, "Menu pointer down", 90},
    Button{"Command1", "Frame19", "", "C09", {120, 360, 990, 255}, C::Yellow, K::Hold, A::Up, 1, "Volume up", 90},
    Button{"Command2", "Frame19", "", "C0A", {120, 720, 990, 255}, C::Yellow, K::Hold, A::Down, 2, "Volume down", 90},
    Button{"Command30", "Frame17", "", "C20", {120, 360, 990, 255}, C::Yellow, K::Hold, A::Up, 7, "Brightness up", 90},
    Button{"Command42", "Frame17", "", "C21", {120, 720, 990, 255}, C::Yellow, K::Hold, A::Down, 8, "Brightness down", 90},
    Button{"Command48", "Frame16", "", "C30", {120, 360, 990, 255}, C::Yellow, K::Hold, A::Up, 9, "Digital zoom in", 90},
    Button{"Command49", "Frame16", "", "C31", {120, 720, 990, 255}, C::Yellow, K::Hold, A::Down, 10, "Digital zoom out", 90},
    Button{"Command10", "Frame10", "", "C8E", {120, 360, 990, 255}, C::Yellow, K::Hold, A::Up, 11, "Keystone up", 90},
    Button{"Command35", "Frame10", "", "C8F", {120, 720, 990, 255}, C::Yellow, K::Hold, A::Down, 12, "Keystone down", 90},
    Button{"Command4", nullptr, "Standard", "C11", {2940, 3600, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Image mode standard", 90},
    Button{"Command36", nullptr, "Real", "C12", {4050, 3600, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Image mode real", 90},
    Button{"Command37", nullptr, "Cinema", "C13", {5160, 3600, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Image mode cinema", 90},
    Button{"Command50", nullptr, "Image 1", "C14", {2940, 3910, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Image mode 1", 90},
    Button{"Command51", nullptr, "Image 2", "C15", {4050, 3910, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Image mode 2", 90},
    Button{"Command52", nullptr, "Image 3", "C16", {5160, 3910, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Image mode 3", 90},
    Button{"Command57", nullptr, "Image 4", "C17", {2940, 4230, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Image mode 4", 90},
    Button{"Command58", nullptr, "B.Board", "C18", {4050, 4230, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Image mode blackboard", 90},
    Button{"Command59", nullptr, "Dynamic", "C19", {5160, 4230, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Image mode dynamic", 90},
    Button{"Command3", nullptr, "Display Clear", "C1E", {6450, 3600, 1740, 300}, C::Cyan, K::OneShot, A::None, 0, "Display clear", 90},
    Button{"Command73", nullptr, "Image (Toggle)", "C27", {6450, 3910, 1740, 300}, C::Cyan, K::OneShot, A::None, 0, "Image mode toggle", 90},
    Button{"Command15", nullptr, "Image Colorboard", "C39", {6450, 4230, 1740, 300}, C::Cyan, K::OneShot, A::None, 0, "Image mode colour board", 90},
    Button{"Command13", nullptr, "Auto Pc Adj", "C89", {8200, 3600, 1830, 300}, C::Cyan, K::OneShot, A::None, 0, "Automatic PC adjustment", 90},
    Button{"Command14", nullptr, "P-Timer", "C8A", {8200, 3910, 1830, 300}, C::Cyan, K::OneShot, A::None, 0, "Presentation timer", 90},
    Button{"Command34", nullptr, "P-Timer (Exit)", "C8B", {8200, 4230, 1830, 300}, C::Cyan, K::OneShot, A::None, 0, "Presentation timer exit", 90},
    Button{"Command60", "Frame20", "NONE", "CF KEYDIS NONE", {1560, 150, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Key lock none", 90},
    Button{"Command61", "Frame20", "R/C", "CF KEYDIS RC", {2760, 150, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Key lock remote control", 90},
    Button{"Command62", "Frame20", "KEY", "CF KEYDIS KEY", {3990, 150, 1095, 300}, C::Cyan, K::OneShot, A::None, 0, "Key lock projector keys", 90},
    Button{"Command16", nullptr, "END", nullptr, {8520, 4680, 1500, 375}, C::System, K::End, A::None, 0, "End the program", 120},
    Button{"Command44", nullptr, "Status", "CR0", {8520, 5380, 1500, 300}, C::PaleCyan, K::OneShot, A::None, 0, "Read status", 90},
    Button{"Command45", nullptr, "Input Mode", "CR1", {8520, 5680, 1500, 300}, C::PaleCyan, K::OneShot, A::None, 0, "Read input mode", 90},
    Button{"Command54", nullptr, "Temp", "CR6", {8520, 5980, 1500, 300}, C::PaleCyan, K::OneShot, A::None, 0, "Read temperatures", 90},
    Button{"Command47", nullptr, "Setting", "CR4", {8520, 6280, 1500, 300}, C::PaleCyan, K::OneShot, A::None, 0, "Read setting", 90},
    Button{"Command46", nullptr, "Lamp Time", "CR3", {8520, 6580, 1500, 300}, C::PaleCyan, K::OneShot, A::None, 0, "Read lamp time", 90},
    Button{"Command55", nullptr, "Lamp Status", "CR LAMPSTS", {8520, 6880, 1500, 300}, C::PaleCyan, K::OneShot, A::None, 0, "Read lamp status", 90},
    Button{"Command76", nullptr, "Lamp Mode", "CR7", {8520, 7180, 1500, 300}, C::PaleCyan, K::OneShot, A::None, 0, "Read lamp mode", 90},
    Button{"Command74", nullptr, "Command Table", nullptr, {6480, 6660, 1850, 375}, C::System, K::CommandTable, A::None, 0, "Open the command list", 90},
    Button{"Command33", nullptr, "COM", nullptr, {6480, 7080, 1850, 375}, C::System, K::Com, A::None, 0, "Port settings", 90},
};

// Each key's button, by objectName, in the order of Key.
constexpr std::array keyedButtons{
    "Command17", "Command18", "Command19", "Command20", "Command21", "Command22",
    "Command28", "Command53", "Command29", "Command11", "Command39", "Command56",
    "Command12", "Command27",
    "Command44", "Command45", "Command47", "Command46", "Command54", "Command55", "Command76",
};
static_assert(keyedButtons.size() == size_t(Key::ReadLampMode) + 1);

constexpr const Button *buttonCalled(std::string_view name)
{
    for (const Button &b : buttonTable) {
        if (name == b.name)
            return &b;
    }
    return nullptr;
}

constexpr bool everyKeyedButtonSends()
{
    for (const char *name : keyedButtons) {
        const Button *b = buttonCalled(name);
        if (!b || !b->sends)
            return false;
    }
    return true;
}
static_assert(everyKeyedButtonSends());

} // namespace

quint32 rgb(Colour colour)
{
    switch (colour) {
    case C::Cyan: return 0x00C0C0;
    case C::Yellow: return 0xFFFF80;
    case C::Green: return 0x80FF80;
    case C::Pink: return 0xFF8080;
    case C::PaleCyan: return 0xC0FFFF;
    case C::Orange: return 0xFFC080;
    case C::System: break;
    }
    return 0;
}

std::span<const Group> groups() { return groupTable; }
std::span<const Button> buttons() { return buttonTable; }

const Button *buttonNamed(QStringView name)
{
    for (const Button &b : buttonTable) {
        if (name == QLatin1StringView(b.name))
            return &b;
    }
    return nullptr;
}

const Button &button(Key key)
{
    return *buttonCalled(keyedButtons[size_t(key)]);
}

QByteArray frame(const Button &button)
{
    return button.sends ? Protocol::frame(button.sends) : QByteArray();
}

QByteArray frame(Key key)
{
    return frame(button(key));
}

const Button *buttonByRepeatCode(int repeatCode)
{
    for (const Button &b : buttonTable) {
        if (b.kind == K::Hold && b.repeatCode == repeatCode)
            return &b;
    }
    return nullptr;
}

const char *groupTitle(const char *frame)
{
    for (const Group &group : groups()) {
        if (frame && qstrcmp(group.frame, frame) == 0)
            return group.title;
    }
    return nullptr;
}

} // namespace PanelTable
