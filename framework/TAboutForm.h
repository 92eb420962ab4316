#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui
{
class TAboutForm;
}
class QPushButton;

// The borderless 400 x 100 form of the start-up screen (without button) and of the about box
// (with its Close button), centred on the desktop and kept on top. Painting is left to the
// form's painter; a click outside the button calls OnClick.
class TAboutForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TAboutForm)
public:
    using Painter = std::function<void(QWidget* form, QPainter& painter)>;

    TAboutForm(Painter painter, bool withCloseButton, QWidget* parent = nullptr);
    ~TAboutForm() override;

    QPushButton* CloseButton() const;
    std::function<void()> OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<Ui::TAboutForm> ui;
    Painter FPainter;
};
