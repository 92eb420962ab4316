#include "framework/TStartupDialog.h"

#include "ui_TStartupDialog.h"

#include "framework/TLangFiler.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

TStartupDialog::TStartupDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
    , FUi(std::make_unique<Ui::TStartupDialog>())
{
    FUi->setupUi(this);
    connect(FUi->OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(FUi->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(FUi->AdvancedButton, &QPushButton::clicked, this, &TStartupDialog::AdvancedClick);
    SetClientHeight(AdvancedHeight);
}

TStartupDialog::~TStartupDialog() = default;

void TStartupDialog::SetClientHeight(int height)
{
    setFixedSize(DialogWidth, height);
    const bool advanced = height >= AdvancedHeight;
    for (QWidget* option :
        std::initializer_list<QWidget*> {FUi->Bevel1, FUi->SetupButton, FUi->AutoLogonCheck,
            FUi->SingleSignonCheck, FUi->StoreLogonCheck, FUi->NativeCheck, FUi->SkipPromptCheck})
        option->setVisible(advanced);
}

void TStartupDialog::AdvancedClick()
{
    SetClientHeight(ClientHeight() == NormalHeight ? AdvancedHeight : NormalHeight);
    UpdateAdvancedCaption();
}

void TStartupDialog::UpdateAdvancedCaption()
{
    // The two names are spelled differently on purpose: they are the entries language files have.
    FUi->AdvancedButton->setText(ClientHeight() == AdvancedHeight
            ? LangText(QStringLiteral("StartUpDialog.Normal"), QStringLiteral("Normal"))
            : LangText(QStringLiteral("StartupDialog.AdvancedButton.Caption"), QStringLiteral("Advanced")));
}

void TStartupDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    if (PaintHandler)
        PaintHandler(this, painter);
}

void TStartupDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the desktop, not on the main window.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), frameGeometry().size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
