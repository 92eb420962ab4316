#include "framework/TApplication.h"

#include "framework/MessageBox.h"

#include <QtDebug>

namespace
{

QString& HelpFileName()
{
    static QString name;
    return name;
}

int ErrorBoxesOpen = 0;

} // namespace

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(error);
    } catch (...) {
        ShowException(tr("An unknown error occurred."));
    }
    return false;
}

QString TApplication::Title()
{
    return QGuiApplication::applicationDisplayName();
}

void TApplication::SetTitle(const QString& title)
{
    QGuiApplication::setApplicationDisplayName(title);
}

QString TApplication::HelpFile()
{
    return HelpFileName();
}

void TApplication::SetHelpFile(const QString& fileName)
{
    HelpFileName() = fileName;
}

void TApplication::ShowException(const std::exception& error)
{
    ShowException(QString::fromUtf8(error.what()));
}

void TApplication::ShowException(const QString& message)
{
    if (ErrorBoxesOpen > 0) {
        qCritical().noquote() << message;
        return;
    }
    struct Open {
        Open() { ++ErrorBoxesOpen; }
        ~Open() { --ErrorBoxesOpen; }
    } open;
    MessageBox::error(message);
}
