#pragma once

#include <QString>

// What a port's name must be before anything opens a device or writes a
// lock for it: no control characters (a NUL would cut the name short on its
// way to the system, and the lock taken would be another's), and on systems
// with serial lock files, short enough that the lock's own file name fits.
namespace PortName {

// The file name limit of the system (NAME_MAX); a lock is "LCK.." and the
// device's name after "/dev/", with "/" turned into "_".
inline constexpr qsizetype LongestFileName = 255;

// Why `name` cannot name a port, in plain words; empty when it can.
[[nodiscard]] QString controlProblem(const QString &name);
[[nodiscard]] QString deviceProblem(const QString &name);

} // namespace PortName
