#pragma once

// The reply window (Timer2) and the monitor hold (Timer4) of each situation,
// in milliseconds. Every part of the program sets the intervals by naming a
// row; the monitor hold is always the longer, so the no-reply mark shows
// before the monitor is blanked.
namespace ExchangeIntervals {

struct Row {
    int replyWindowMs;
    int monitorHoldMs;
};

// Before start-up has opened the port.
inline constexpr Row BeforeStartUp{5000, 5500};
// Start-up has opened the port.
inline constexpr Row AfterStartUp{1000, 1200};
// The command list window is open, and once it is closed.
inline constexpr Row CommandListOpen{5000, 5500};
inline constexpr Row CommandListClosed{1000, 1200};
// While an arrow button is held, and after its release.
inline constexpr Row DuringHold{150, 200};
inline constexpr Row AfterHold{500, 1000};

static_assert(BeforeStartUp.monitorHoldMs > BeforeStartUp.replyWindowMs);
static_assert(AfterStartUp.monitorHoldMs > AfterStartUp.replyWindowMs);
static_assert(CommandListOpen.monitorHoldMs > CommandListOpen.replyWindowMs);
static_assert(CommandListClosed.monitorHoldMs > CommandListClosed.replyWindowMs);
static_assert(DuringHold.monitorHoldMs > DuringHold.replyWindowMs);
static_assert(AfterHold.monitorHoldMs > AfterHold.replyWindowMs);

} // namespace ExchangeIntervals
