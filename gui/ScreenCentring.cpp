#include "gui/ScreenCentring.h"

#include <algorithm>

#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace onarim {

namespace {

class TScreenCentring : public QObject {
public:
    explicit TScreenCentring(QWidget& window) : QObject(&window), window_(window) {
        window_.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && event->type() == QEvent::Show && !event->spontaneous()) {
            WatchNativeWindow();
            Centre();
            exposurePending_ = true;
        } else if (watched == nativeWindow_ && event->type() == QEvent::Expose &&
                   exposurePending_ && nativeWindow_->isExposed()) {
            exposurePending_ = false;
            if (nativeWindow_->frameMargins() != centredWith_) {
                Centre();
            }
        }
        return false;
    }

private:
    // The native window exists once the widget is shown; it is made anew when the widget's
    // window flags change.
    void WatchNativeWindow() {
        QWindow* current = window_.windowHandle();
        if (current == nativeWindow_) {
            return;
        }
        if (nativeWindow_) {
            nativeWindow_->removeEventFilter(this);
        }
        nativeWindow_ = current;
        if (nativeWindow_) {
            nativeWindow_->installEventFilter(this);
        }
    }

    void Centre() {
        const QScreen* screen = window_.screen();
        if (screen == nullptr) {
            return;
        }
        centredWith_ = nativeWindow_ ? nativeWindow_->frameMargins() : QMargins();
        window_.setGeometry(CentredClientGeometry(window_.size(), centredWith_, screen->geometry()));
    }

    QWidget& window_;
    QPointer<QWindow> nativeWindow_;
    QMargins centredWith_;
    bool exposurePending_ = false;
};

} // namespace

QRect CentredClientGeometry(QSize clientSize, QMargins frameMargins, QRect screen) {
    const QSize frame = clientSize.grownBy(frameMargins);
    const int left = screen.left() + std::max(0, (screen.width() - frame.width()) / 2);
    const int top = screen.top() + std::max(0, (screen.height() - frame.height()) / 2);
    return QRect(QPoint(left + frameMargins.left(), top + frameMargins.top()), clientSize);
}

void CentreOnScreenWhenShown(QWidget& window) {
    new TScreenCentring(window);
}

} // namespace onarim
