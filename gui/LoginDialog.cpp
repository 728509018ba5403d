#include "gui/LoginDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "gui/GuiThread.h"
#include "services/IBCustomService.h"

namespace onarim {

namespace {

bool AskOnGuiThread(const std::string& serverName, std::string& userName, std::string& password,
                    bool userNameReadOnly) {
    QDialog dialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setObjectName(QStringLiteral("LoginDialog"));
    dialog.setWindowTitle(QStringLiteral("Database Login"));
    dialog.setWindowModality(Qt::ApplicationModal);

    auto* server = new QLabel(QString::fromStdString(serverName), &dialog);
    server->setObjectName(QStringLiteral("ServerName"));
    auto* user = new QLineEdit(QString::fromStdString(userName), &dialog);
    user->setObjectName(QStringLiteral("UserName"));
    user->setReadOnly(userNameReadOnly);
    auto* secret = new QLineEdit(QString::fromStdString(password), &dialog);
    secret->setObjectName(QStringLiteral("Password"));
    secret->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("Server:"), server);
    form->addRow(QStringLiteral("User Name:"), user);
    form->addRow(QStringLiteral("Password:"), secret);
    form->addRow(buttons);
    (userNameReadOnly || !userName.empty() ? secret : user)->setFocus();

    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    userName = user->text().toStdString();
    password = secret->text().toStdString();
    return true;
}

} // namespace

bool ShowLoginDialog(const std::string& serverName, std::string& userName, std::string& password,
                     bool userNameReadOnly) {
    bool accepted = false;
    RunOnGuiThread(
        [&] { accepted = AskOnGuiThread(serverName, userName, password, userNameReadOnly); });
    return accepted;
}

void InstallLoginDialogHook() {
    SetLoginDialogHook(&ShowLoginDialog);
}

} // namespace onarim
