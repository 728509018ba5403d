// onarim: the desktop program. Repairs a damaged Firebird or InterBase database with the
// server's own means; the database file may be given as the only argument.
#include <memory>

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "gui/ErrorDisplay.h"
#include "gui/LoginDialog.h"
#include "gui/MainForm.h"
#include "gui/MainIcon.h"
#include "gui/PasswordDialog.h"
#include "gui/StopOnSignal.h"
#include "platform/ApplicationTitle.h"
#include "repair/ClientShutdown.h"
#include "platform/Utf8Locale.h"
#include "services/IBCustomService.h"

namespace onarim {
namespace {

constexpr int kStartFailed = 1;

// Qt's own texts (a box's "OK", "Show Details...") in Turkish like the program's; they stay
// English where Qt's translations are not installed.
void InstallTurkishQtTexts(QApplication& application) {
    auto* translator = new QTranslator(&application);
    if (translator->load(QLocale(QLocale::Turkish, QLocale::Turkey), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
}

// Makes the main window and then the hidden password dialog, shows the window and runs the
// message loop until the window is closed. A window that cannot be made (the client library
// cannot be loaded) is reported in the "Application Error" box and ends the program; the
// window is then never shown.
int RunMainWindow(const QStringList& arguments) {
    std::unique_ptr<TK_PasswordF> passwordDialog;
    std::unique_ptr<TForm1> form;
    try {
        form = std::make_unique<TForm1>(arguments);
        passwordDialog = std::make_unique<TK_PasswordF>();
    } catch (const std::exception& error) {
        ShowApplicationError(error, reinterpret_cast<const void*>(&RunMainWindow));
        return kStartFailed;
    }
    form->SetPasswordDialog(passwordDialog.get());
    form->show();
    SetStopReceiver(form.get(), [window = form.get()] { window->StopRequested(); });
    const int status = QApplication::exec();
    SetStopReceiver(nullptr, {});
    return status;
}

int Main(int argc, char** argv) {
    EnsureUtf8Locale();
    WatchStopSignalsForWindow();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(ApplicationTitle()));
    QApplication::setWindowIcon(MainIcon());
    InstallTurkishQtTexts(application);
    InstallLoginDialogHook();

    const int status = RunMainWindow(QApplication::arguments().mid(1));

    // The window, and with it a component the repair may have left attached, is gone by now:
    // its detach needed the trace hook and the client library, which go last.
    SetLoginDialogHook(nullptr);
    ShutdownClient();
    return status;
}

} // namespace
} // namespace onarim

int main(int argc, char** argv) {
    return onarim::Main(argc, argv);
}
