#include "server/TPulsarApplication.h"

#include <exception>

TPulsarApplication::TPulsarApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TPulsarApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        Report(receiver, QString::fromUtf8(error.what()));
    } catch (...) {
        Report(receiver, QStringLiteral("Unknown error"));
    }
    return false;
}

void TPulsarApplication::Report(QObject* receiver, const QString& message)
{
    try {
        if (OnException)
            OnException(receiver, message);
    } catch (...) {
        // The report itself failed: there is nothing left to tell it to.
    }
}
