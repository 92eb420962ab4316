#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `drive` on the modal dialog once it is up; a dialog still open after 10 s is closed, so
// that a failing test ends instead of hanging.
inline void WhenModal(std::function<void(QWidget*)> drive)
{
    QTimer::singleShot(0, [drive] {
        QWidget* modal = nullptr;
        (void)QTest::qWaitFor([&] { return (modal = QApplication::activeModalWidget()) != nullptr; }, 5000);
        if (modal)
            drive(modal);
    });
    QTimer::singleShot(10000, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
}

// Screenshots for a person to look at, only when VIGILO_SCREENSHOT_DIR names a folder.
inline void SaveScreenshot(QWidget* widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("VIGILO_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        widget->grab().save(QDir(folder).filePath(name));
}
