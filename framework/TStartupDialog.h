#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui
{
class TStartupDialog;
}
class QPainter;

// The logon dialog: user name and password, OK/Cancel, and behind "Advanced" the logon choices
// and Setup. Its client area is 400 wide and 230 (normal) or 370 (advanced) high; the top 400 x
// 100 pixels show the application's picture through PaintHandler. The logon component fills it,
// connects its reactions and reads it back.
class TStartupDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStartupDialog)

public:
    static constexpr int NormalHeight = 230;
    static constexpr int AdvancedHeight = 370;
    static constexpr int DialogWidth = 400;

    explicit TStartupDialog(QWidget* parent = nullptr);
    ~TStartupDialog() override;

    Ui::TStartupDialog& Controls() const { return *FUi; }

    int ClientHeight() const { return height(); }
    // 230 or 370; the options below the button row are shown only at full height, so that Tab
    // never walks into controls that cannot be seen.
    void SetClientHeight(int height);
    // What the Advanced button does: switches between the two heights.
    void AdvancedClick();
    // The Advanced button's caption for the current height, from the language store.
    void UpdateAdvancedCaption();

    std::function<void(QWidget* form, QPainter& painter)> PaintHandler;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TStartupDialog> FUi;
};
