#pragma once

#include <QIcon>

// What the desktop knows this program by: the id of its desktop entry and
// AppStream metainfo, and the window icon that every window shows.
namespace AppIdentity {

inline constexpr char DesktopId[] = "org.rm740control.Rm740Control";

// The projector icon at 32 x 32 and, for scaled screens, 64 x 64 pixels.
[[nodiscard]] QIcon windowIcon();

} // namespace AppIdentity
