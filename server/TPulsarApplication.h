#pragma once

#include <QApplication>
#include <QString>

#include <functional>

// The server's application object: an error thrown by any handler stops at the event loop and
// goes to OnException (the main form's status) instead of ending the program.
class TPulsarApplication : public QApplication
{
    Q_OBJECT
public:
    TPulsarApplication(int& argc, char** argv);

    std::function<void(QObject* sender, const QString& message)> OnException;

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void Report(QObject* receiver, const QString& message);
};
