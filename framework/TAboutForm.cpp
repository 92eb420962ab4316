#include "framework/TAboutForm.h"

#include "ui_TAboutForm.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

TAboutForm::TAboutForm(Painter painter, bool withCloseButton, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , ui(std::make_unique<Ui::TAboutForm>())
    , FPainter(std::move(painter))
{
    ui->setupUi(this);
    ui->CloseButton->setVisible(withCloseButton);
    if (!withCloseButton)
        setAttribute(Qt::WA_ShowWithoutActivating);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

TAboutForm::~TAboutForm() = default;

QPushButton* TAboutForm::CloseButton() const
{
    return ui->CloseButton;
}

void TAboutForm::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (FPainter)
        FPainter(this, painter);
}

void TAboutForm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && OnClick) {
        OnClick();
        return;
    }
    QDialog::mousePressEvent(event);
}
