#include "gui/GuiThread.h"

#include <exception>

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace onarim {

void RunOnGuiThread(const std::function<void()>& work) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() == application->thread()) {
        work();
        return;
    }
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        application,
        [&work, &error] {
            try {
                work();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error) {
        std::rethrow_exception(error);
    }
}

void PostToGuiThread(QObject* context, std::function<void()> work) {
    QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

} // namespace onarim
