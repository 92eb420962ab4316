#include "framework/TQorPanel.h"

#include <QPaintEvent>
#include <QPainter>

TQorPanel::TQorPanel(QWidget* parent)
    : QWidget(parent)
    , FColor(palette().color(QPalette::Window))
{
    // Every pixel is painted here; Qt's backing store is the off-screen buffer.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(185, 41);
}

void TQorPanel::SetBevelInner(TBevelCut value)
{
    FBevelInner = value;
    update();
}

void TQorPanel::SetBevelOuter(TBevelCut value)
{
    FBevelOuter = value;
    update();
}

void TQorPanel::SetBevelWidth(int value)
{
    FBevelWidth = qMax(0, value);
    update();
}

void TQorPanel::SetCaption(const QString& value)
{
    FCaption = value;
    update();
}

void TQorPanel::SetColor(const QColor& value)
{
    FColor = value;
    update();
}

void TQorPanel::SetVisualStyles(bool value)
{
    FVisualStyles = value;
    update();
}

void TQorPanel::Frame(QPainter& painter, QRect& rect, const QColor& topLeft, const QColor& bottomRight) const
{
    for (int i = 0; i < FBevelWidth && rect.isValid(); ++i) {
        painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), topLeft);
        painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), topLeft);
        painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
        painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
        rect.adjust(1, 1, -1, -1);
    }
}

void TQorPanel::Bevel(QPainter& painter, QRect& rect, TBevelCut cut) const
{
    if (cut == bvNone)
        return;
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor highlight = palette().color(QPalette::Light);
    if (cut == bvLowered)
        Frame(painter, rect, shadow, highlight);
    else
        Frame(painter, rect, highlight, shadow);
}

void TQorPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QRect rect = this->rect();
    painter.fillRect(rect, FColor);
    if (FVisualStyles) {
        const QColor shadow = palette().color(QPalette::Dark);
        Frame(painter, rect, shadow, shadow);
    } else {
        Bevel(painter, rect, FBevelOuter);
        Bevel(painter, rect, FBevelInner);
    }
    if (!FCaption.isEmpty()) {
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        // No mnemonic flag: "&" is an ordinary character here.
        painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, FCaption);
    }
    if (OnPaint)
        OnPaint(this, painter, rect);
}
