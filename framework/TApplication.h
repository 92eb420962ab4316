#pragma once

#include <QApplication>
#include <QString>

#include <exception>

// The client's application object. An error thrown by an event handler never crosses Qt's event
// loop: notify() catches it and shows its text in an error box; the handler stops where the
// error occurred and the program goes on. Also holds the program-wide title and help file.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The title of message boxes and of the desktop's task list (the display name).
    static QString Title();
    static void SetTitle(const QString& title);

    // The help file in use ("/" separators); relative names are taken from the program's folder.
    static QString HelpFile();
    static void SetHelpFile(const QString& fileName);

    // The default error report: an error box with the error's text (nested errors raised while
    // that box is open are written to the log, so a failing paint cannot pile up boxes).
    static void ShowException(const std::exception& error);
    static void ShowException(const QString& message);
};
