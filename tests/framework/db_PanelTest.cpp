#include "framework/TQorPanel.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace
{

const QColor Shadow(200, 0, 0);
const QColor Highlight(0, 200, 0);
const QColor Background(255, 255, 255);
const QColor Drawn(0, 0, 255);

struct PanelCase {
    const char* name;
    TQorPanel::TBevelCut outer;
    TQorPanel::TBevelCut inner;
    bool visualStyles;
    // Expected colours at points of a 40 x 20 panel with bevels 2 pixels wide.
    std::vector<std::pair<QPoint, QColor>> pixels;
    QRect paintRect; // what OnPaint is given
};

void PrintTo(const PanelCase& c, std::ostream* out)
{
    *out << c.name;
}

class PanelPainting : public ::testing::TestWithParam<PanelCase>
{
};

TEST_P(PanelPainting, BevelsThenOnPaintInsideThem)
{
    const PanelCase& c = GetParam();
    TQorPanel panel;
    panel.resize(40, 20);
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Dark, Shadow);
    palette.setColor(QPalette::Light, Highlight);
    panel.setPalette(palette);
    panel.SetColor(Background);
    panel.SetBevelWidth(2);
    panel.SetBevelOuter(c.outer);
    panel.SetBevelInner(c.inner);
    panel.SetVisualStyles(c.visualStyles);
    QRect given;
    panel.OnPaint = [&](TQorPanel* sender, QPainter& canvas, const QRect& rect) {
        EXPECT_EQ(sender, &panel);
        given = rect;
        canvas.fillRect(rect.center().x(), rect.center().y(), 1, 1, Drawn);
    };
    const QImage image = panel.grab().toImage();
    EXPECT_EQ(given, c.paintRect);
    for (const auto& [point, colour] : c.pixels)
        EXPECT_EQ(image.pixelColor(point), colour) << point.x() << "," << point.y();
    EXPECT_EQ(image.pixelColor(c.paintRect.center()), Drawn);
}

INSTANTIATE_TEST_SUITE_P(Bevels, PanelPainting,
    ::testing::Values(PanelCase {"None", TQorPanel::bvNone, TQorPanel::bvNone, false,
                          {{{0, 0}, Background}, {{39, 19}, Background}}, QRect(0, 0, 40, 20)},
        PanelCase {"Lowered", TQorPanel::bvLowered, TQorPanel::bvNone, false,
            {{{0, 0}, Shadow}, {{1, 1}, Shadow}, {{39, 19}, Highlight}, {{38, 0}, Shadow},
                {{2, 2}, Background}},
            QRect(2, 2, 36, 16)},
        PanelCase {"RaisedOverLowered", TQorPanel::bvRaised, TQorPanel::bvLowered, false,
            {{{0, 0}, Highlight}, {{39, 19}, Shadow}, {{2, 2}, Shadow}, {{37, 17}, Highlight},
                {{4, 4}, Background}},
            QRect(4, 4, 32, 12)},
        PanelCase {"StyledFrameWithoutBevels", TQorPanel::bvNone, TQorPanel::bvNone, true,
            {{{0, 0}, Shadow}, {{39, 19}, Shadow}, {{2, 2}, Background}}, QRect(2, 2, 36, 16)},
        PanelCase {"StyledFrameIgnoresBevels", TQorPanel::bvRaised, TQorPanel::bvRaised, true,
            {{{0, 0}, Shadow}, {{39, 19}, Shadow}, {{2, 2}, Background}}, QRect(2, 2, 36, 16)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QorPanel, CaptionStartsAtTheTopLeftAndShowsAmpersands)
{
    TQorPanel panel;
    panel.resize(120, 30);
    panel.SetBevelOuter(TQorPanel::bvNone);
    panel.SetColor(Background);
    panel.SetCaption("&&&");
    const QImage image = panel.grab().toImage();
    // Something is written in the first pixels of the panel, nothing in its far right.
    bool inked = false;
    for (int x = 0; x < 12; ++x)
        for (int y = 0; y < 16; ++y)
            inked = inked || image.pixelColor(x, y) != Background;
    EXPECT_TRUE(inked);
    EXPECT_EQ(image.pixelColor(110, 5), Background);
    EXPECT_EQ(panel.size(), QSize(120, 30));
    EXPECT_EQ(TQorPanel().size(), QSize(185, 41));
}

} // namespace
