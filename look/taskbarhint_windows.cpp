#include "look/taskbarhint.h"

#include <QWidget>

#include <windows.h>

namespace TaskBarHint {

namespace {

// A window that never shows: an owned window gets no task-bar button, and
// one owned by this stays a normal window the main window can come in front of.
HWND hiddenOwner()
{
    static const HWND owner = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                                ::GetModuleHandleW(nullptr), nullptr);
    return owner;
}

} // namespace

void keepOffTheTaskBar(QWidget *window)
{
    const HWND owner = hiddenOwner();
    if (!owner)
        return;
    ::SetWindowLongPtrW(reinterpret_cast<HWND>(window->winId()), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

} // namespace TaskBarHint
