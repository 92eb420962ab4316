#include "framework/MessageBox.h"

#include "framework/TApplication.h"

#include <QApplication>
#include <QWidget>

namespace
{

MessageBox::Responder& CurrentResponder()
{
    static MessageBox::Responder responder;
    return responder;
}

} // namespace

QMessageBox::StandardButton MessageBox::show(Request request, QWidget* parent)
{
    if (request.title.isEmpty())
        request.title = TApplication::Title();
    if (const Responder& responder = CurrentResponder())
        return responder(request);

    QMessageBox box(request.icon, request.title, request.text, request.buttons,
        parent ? parent : QApplication::activeWindow());
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

void MessageBox::information(const QString& text, QWidget* parent)
{
    show({QMessageBox::Information, {}, text, QMessageBox::Ok, QMessageBox::Ok}, parent);
}

void MessageBox::warning(const QString& text, QWidget* parent)
{
    show({QMessageBox::Warning, {}, text, QMessageBox::Ok, QMessageBox::Ok}, parent);
}

void MessageBox::error(const QString& text, QWidget* parent)
{
    show({QMessageBox::Critical, {}, text, QMessageBox::Ok, QMessageBox::Ok}, parent);
}

QMessageBox::StandardButton MessageBox::question(const QString& text, QMessageBox::Icon icon, QWidget* parent)
{
    return show({icon, {}, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes}, parent);
}

MessageBox::Responder MessageBox::setResponder(Responder responder)
{
    Responder previous = std::move(CurrentResponder());
    CurrentResponder() = std::move(responder);
    return previous;
}
