#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Every message box of the client goes through here: captioned with the application's title,
// and answerable by a test instead of a person (setResponder, or MessageBoxRecorder).
class MessageBox final
{
public:
    struct Request {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };
    // Answers a request in place of the user; returns the button "pressed".
    using Responder = std::function<QMessageBox::StandardButton(const Request&)>;

    MessageBox() = delete;

    static QMessageBox::StandardButton show(Request request, QWidget* parent = nullptr);

    static void information(const QString& text, QWidget* parent = nullptr);
    static void warning(const QString& text, QWidget* parent = nullptr);
    static void error(const QString& text, QWidget* parent = nullptr);
    // Yes and No; answers Yes or No.
    static QMessageBox::StandardButton question(
        const QString& text, QMessageBox::Icon icon = QMessageBox::Question, QWidget* parent = nullptr);

    // Installs a responder (an empty one shows real boxes again); returns the previous one.
    static Responder setResponder(Responder responder);
};
