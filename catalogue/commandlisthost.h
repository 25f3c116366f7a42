#pragma once

#include "exchange/exchangeintervals.h"

class QByteArray;

// What the command list window asks of the main window, which hands it this
// interface when it opens it: the list window knows nothing else of it.
class CommandListHost
{
public:
    virtual ~CommandListHost() = default;

    // The main window's status area: the "Status" caption and the status line.
    virtual void showStatusArea(bool visible) = 0;
    virtual void setMonitorIntervals(ExchangeIntervals::Row intervals) = 0;
    // SEND: the frame through the main window's transmit path, its reply
    // window and monitor hold counting from this moment.
    virtual void transmitCountingFromNow(const QByteArray &frame) = 0;
    virtual void bringToFront() = 0;
};
