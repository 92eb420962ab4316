// A tiny program run by the framework tests: an event handler throws inside the real event loop
// of the application object; the error must come out as a message box and the loop must go on.
#include "framework/MessageBox.h"
#include "framework/TApplication.h"

#include <QTimer>

#include <cstdio>
#include <stdexcept>

namespace
{

class Thrower : public QObject
{
protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("probe failure \xc3\xbc");
        return QObject::event(event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    TApplication::SetTitle("Probe");
    MessageBox::setResponder([](const MessageBox::Request& request) {
        std::printf("BOX %s: %s\n", qPrintable(request.title), request.text.toUtf8().constData());
        std::fflush(stdout);
        return QMessageBox::Ok;
    });
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QTimer::singleShot(50, [] {
        std::printf("CONTINUED\n");
        QCoreApplication::quit();
    });
    return app.exec();
}
