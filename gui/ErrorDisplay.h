#pragma once

#include <exception>
#include <utility>

class QWidget;

namespace onarim {

// The application's display of an error that escaped an event handler: a mouse grab is let go,
// then the error's message is shown, with a full stop added as ErrorBoxText says, in the
// application's message box captioned with the application title, with the error icon. The
// program goes on. Call on the GUI thread; `owner` is the main window (may be null).
void ShowEscapedError(QWidget* owner, std::exception_ptr error);

// Runs an event handler and shows whatever error escapes it, so that no exception ever passes
// into Qt's event loop.
template <class Handler> void RunGuarded(QWidget* owner, Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        ShowEscapedError(owner, std::current_exception());
    }
}

// The "Application Error" box of a start-up that failed before the message loop runs: the text
// of ApplicationErrorText for `error`, the executable's file name and `address` (the code of
// the start-up step that failed), with the error icon; also written to standard error, for a
// program started from a terminal or a script. Returns when the box is closed. Needs the
// application object.
void ShowApplicationError(const std::exception& error, const void* address);

} // namespace onarim
