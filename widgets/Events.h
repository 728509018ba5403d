#pragma once

#include <cstdint>
#include <functional>

#include <QFlags>
#include <QObject>

namespace onarim {

// A notification: the component that fires it is the sender. An empty slot means no call.
using TNotifyEvent = std::function<void(QObject* sender)>;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// The modifier keys and mouse buttons held when a mouse event happened; ssDouble marks the
// second press of a double click.
enum class TShiftFlag : std::uint8_t {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};
using TShiftState = QFlags<TShiftFlag>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

// A mouse event: sender, the button, the shift state, and the position relative to the control.
using TMouseEvent =
    std::function<void(QObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;

} // namespace onarim
