#include "gui/MainForm.h"

#include <QApplication>
#include <QDialog>

#include <cstdio>
#include <cstdlib>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QRadioButton>

#include "gui/ApplicationMessageBox.h"
#include "gui/ErrorDisplay.h"
#include "gui/FormFont.h"
#include "gui/GuiRepairOperator.h"
#include "gui/GuiThread.h"
#include "gui/ScreenCentring.h"
#include "widgets/RadioGroup.h"
#include "repair/SystemServerTools.h"
#include "gui/WindowRepair.h"
#include "platform/ProcessUptime.h"
#include "widgets/FilenameEdit.h"
#include "widgets/IQGrap.h"

namespace onarim {

namespace {

const QString kWarning =
    QStringLiteral("\r\n"
                   "   Önemli Uyarı : \r\n"
                   "   1- İşleme başlamadan önce Eski Veritabanı dosyasının mutlaka yedeğini\r\n"
                   "      alınız.\r\n"
                   "   2- İşleme başlamadan önce Diğer Kullanıcıların bağlı olmadığından emin \r\n"
                   "       olunuz.");
const QString kRepairRunning =
    QStringLiteral("Veri Tabanı onarımı sürüyor."
                   "\r\n"
                   "Onarım bitmeden program kapatılamaz; lütfen bekleyiniz.");

// Set to print, on standard error, how long after its start the program first painted its
// window (the start-up measurement of the README).
constexpr const char* kReportStartupVariable = "ONARIM_REPORT_STARTUP";

void SetTextColour(QWidget* widget, QColor colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, QRect place, QColor colour, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setFont(FormFont(kMsSansSerif, 11, bold));
    SetTextColour(label, colour);
    return label;
}

QString ElapsedText(qint64 milliseconds) {
    const qint64 seconds = milliseconds / 1000;
    const QString minutes = QStringLiteral("%1:%2")
                                .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return seconds < 3600 ? minutes : QStringLiteral("%1:%2").arg(seconds / 3600).arg(minutes);
}

} // namespace

TForm1::TForm1(QStringList arguments, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      validationService_(MakeRepairValidationService()), arguments_(std::move(arguments)),
      tools_(std::make_shared<TSystemServerTools>()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("BELVANOX InterBase Veri Tabanı Onarım s1.03"));
    setFixedSize(426, 244);
    setFont(FormFont(kMsSansSerif, 11));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0, 122, 244));
    setPalette(palette);
    setAutoFillBackground(true);
    CreateControls();

    statusTimer_.setInterval(1000);
    connect(&statusTimer_, &QTimer::timeout, this, [this] { ShowStatus(); });
    CentreOnScreenWhenShown(*this);
}

void TForm1::CreateControls() {
    Label1 = MakeLabel(this, kWarning, QRect(0, 0, 426, 78), QColor(0, 255, 255), true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label1->setWordWrap(true);
    Label2 = MakeLabel(this, QStringLiteral("Onarılacak Veritabanı : "), QRect(10, 86, 135, 13),
                       Qt::white, true);

    FilenameEdit1 = new TFilenameEdit(this);
    FilenameEdit1->setGeometry(8, 102, 407, 21);
    FilenameEdit1->SetNumGlyphs(1);

    RadioGroup1 =
        new TRadioGroup(QStringLiteral(" Veri Tabanı "),
                        {QStringLiteral("FireBird"), QStringLiteral("Interbase")}, 2, this);
    RadioGroup1->setGeometry(87, 127, 258, 45);
    RadioGroup1->setFont(FormFont(kMsSansSerif, 11, true));
    SetTextColour(RadioGroup1, Qt::white);
    RadioGroup1->SetItemIndex(0);

    IQGrap1 = new TIQGrap(this);
    IQGrap1->setGeometry(84, 182, 257, 41);
    IQGrap1->SetCaption(QStringLiteral("Onar"));
    IQGrap1->SetColor(0xFF8000);
    IQGrap1->SetRaiseCol(0xFFFFFF);
    IQGrap1->SetOverCol(0x00FFFF);
    IQGrap1->setEnabled(true);
    IQGrap1->SetGlphyAlign(TGlyphAlign::poLeft);
    IQGrap1->SetImageIndex(-1);
    IQGrap1->setFont(FormFont(QStringLiteral("Arial"), 13, true));
    IQGrap1->SetFontColor(0xFFFFFF);
    IQGrap1->SetShowHint(true);
    IQGrap1->OnClick = [this](QObject* sender) { RunGuarded(this, [&] { IQGrap1Click(sender); }); };

    StatusLine = MakeLabel(this, {}, QRect(8, 226, 410, 15), Qt::white, false);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));

    // The radio group's items follow the box; the button never takes the focus.
    setTabOrder(FilenameEdit1, RadioGroup1->Item(0));
    setTabOrder(RadioGroup1->Item(0), RadioGroup1->Item(1));
}

TForm1::~TForm1() {
    while (repairRunning_) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

void TForm1::SetPasswordDialog(TK_PasswordF* dialog) {
    passwordDialog_ = dialog;
}

void TForm1::SetServerTools(std::shared_ptr<IServerTools> tools) {
    tools_ = std::move(tools);
}

void TForm1::FormShow(QObject*) {
    if (arguments_.size() == 1) {
        FilenameEdit1->SetFileName(arguments_.front());
    }
}

void TForm1::IQGrap1Click(QObject*) {
    if (repairRunning_ || passwordDialog_ == nullptr) {
        return;
    }
    TFileNameBoxSnapshot box(FilenameEdit1->Text().toStdString(),
                             FilenameEdit1->FileName().toStdString());
    const auto serverKind = static_cast<TServerKind>(RadioGroup1->ItemIndex());
    operator_ = std::make_unique<TGuiRepairOperator>(
        *this, *passwordDialog_, [this](TRepairStep step) { StepStarted(step); },
        [this](TRepairStep) { StepEnded(); });
    step_.reset();
    StatusLine->clear();
    repairRunning_ = true;
    worker_ = std::thread([this, box = std::move(box), serverKind, tools = tools_] {
        std::exception_ptr error;
        try {
            RunWindowRepair(*validationService_, *operator_, box, *tools, serverKind);
        } catch (...) {
            error = std::current_exception();
        }
        PostToGuiThread(this, [this, error] { RepairFinished(error); });
    });
}

void TForm1::StepStarted(TRepairStep step) {
    if (!step_) {
        repairClock_.start();
        statusTimer_.start();
    }
    step_ = step;
    ShowStatus();
}

void TForm1::StepEnded() {
    lastStepEnd_ = repairClock_.elapsed();
}

void TForm1::ShowStatus() {
    if (!step_) {
        return;
    }
    // Once the repair is over, its time is that of its steps, without the closing box.
    StatusLine->setText(repairRunning_
                            ? QString::fromStdString(StepTitle(*step_)) + QStringLiteral("  ") +
                                  ElapsedText(repairClock_.elapsed())
                            : QStringLiteral("Onarım bitti (%1)").arg(ElapsedText(lastStepEnd_)));
}

void TForm1::RepairFinished(std::exception_ptr error) {
    worker_.join();
    repairRunning_ = false;
    statusTimer_.stop();
    ShowStatus();
    if (closeWhenRepairEnds_) {
        close();
        return;
    }
    if (error) {
        ShowEscapedError(this, error);
    }
}

void TForm1::StopRequested() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
            dialog->reject();
        }
    }
    if (repairRunning_) {
        closeWhenRepairEnds_ = true;
        return;
    }
    close();
}

void TForm1::setVisible(bool visible) {
    if (visible && !shown_) {
        shown_ = true;
        // Before the window appears: a name the box refuses is told first, in a box of its own
        // (no window of ours is up to own it), and the window then comes up with the box empty.
        RunGuarded(nullptr, [this] { FormShow(this); });
        FilenameEdit1->EnterFirst();
    }
    QWidget::setVisible(visible);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!repairRunning_) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    ShowApplicationMessage(this, kRepairRunning, QStringLiteral("Dikkat"),
                           TMessageIcon::Information);
}

void TForm1::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (painted_) {
        return;
    }
    painted_ = true;
    if (std::getenv(kReportStartupVariable) != nullptr) {
        if (const auto uptime = ProcessUptime()) {
            std::fprintf(stderr,
                         "onarim: window painted %lld ms after the program started (%lld ms of "
                         "processor time)\n",
                         static_cast<long long>(uptime->count()),
                         static_cast<long long>(ProcessorTime().count()));
        }
    }
}

} // namespace onarim
