#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

class QPainter;

// A panel that paints its own background, bevels and caption and then hands its painter and the
// rectangle inside the bevels to OnPaint, so that a form can draw into it (a counter, a bar).
class TQorPanel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(TBevelCut BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)
    Q_PROPERTY(bool VisualStyles READ VisualStyles WRITE SetVisualStyles)

public:
    enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    Q_ENUM(TBevelCut)

    using TQorPanelPaintEvent = std::function<void(TQorPanel* sender, QPainter& canvas, const QRect& rect)>;

    explicit TQorPanel(QWidget* parent = nullptr);

    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    QColor Color() const { return FColor; }
    void SetColor(const QColor& value);
    // The flat look of a styled desktop: one shadow-coloured frame of BevelWidth, whatever the
    // bevels say. Off by default: the bevels are drawn as set.
    bool VisualStyles() const { return FVisualStyles; }
    void SetVisualStyles(bool value);

    // Called at the end of every paint with the panel, its painter and the rectangle left inside
    // the bevels.
    TQorPanelPaintEvent OnPaint;

    QSize sizeHint() const override { return {185, 41}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // One frame of BevelWidth pixels: top and left in topLeft, bottom and right in bottomRight;
    // rect shrinks by the width.
    void Frame(QPainter& painter, QRect& rect, const QColor& topLeft, const QColor& bottomRight) const;
    void Bevel(QPainter& painter, QRect& rect, TBevelCut cut) const;

    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvLowered;
    int FBevelWidth = 1;
    QString FCaption;
    QColor FColor;
    bool FVisualStyles = false;
};
