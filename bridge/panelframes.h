#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The frame a button of the panel sends (its text and CR), found by the
// button's accessible name ("Power On", "Read status"): the bridge sends
// nothing the panel does not. Empty when no button has that name.
[[nodiscard]] QByteArray panelFrame(QByteArrayView accessibleName);
