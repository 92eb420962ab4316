#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

// The control of a dialog by its object name; a missing one fails the test.
template <typename T> T* Child(QWidget* parent, const char* name)
{
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        ADD_FAILURE() << "no control " << name;
    return child;
}

// Types into a field as a user does (the field's own key handling, textEdited and all), so that
// it counts as modified; the field keeps the focus, as after a user's typing.
inline void Type(QWidget* dialog, const char* name, const QString& text)
{
    auto* edit = Child<QLineEdit>(dialog, name);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

inline void Click(QWidget* dialog, const char* name)
{
    Child<QPushButton>(dialog, name)->click();
}

// Drives the modal dialogs of a test in order: each step waits for the modal dialog with its
// object name and then runs on it (from the event loop, so that a step may open further modal
// dialogs that later steps drive). A dialog still waiting after the time limit is closed, so that
// a failing test ends instead of hanging; failure() then says which step was missed.
class ModalDriver final : public QObject
{
public:
    using Step = std::function<void(QWidget* dialog)>;

    explicit ModalDriver(int limitMs = 20000)
        : FLimitMs(limitMs)
    {
        connect(&FTimer, &QTimer::timeout, this, &ModalDriver::Tick);
        FTimer.start(20);
        FClock.start();
    }

    void Expect(const QString& objectName, Step step) { FSteps.enqueue({objectName, std::move(step)}); }
    bool Done() const { return FSteps.isEmpty(); }
    // Names of the dialogs driven so far, in order.
    QStringList Seen() const { return FSeen; }
    QString Failure() const { return FFailure; }

private:
    struct Pending {
        QString name;
        Step step;
    };

    void Tick()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (FClock.elapsed() > FLimitMs) {
            if (!FSteps.isEmpty() && FFailure.isEmpty())
                FFailure = QStringLiteral("no modal dialog \"%1\" came up").arg(FSteps.head().name);
            if (modal)
                modal->close();
            return;
        }
        if (!modal || FSteps.isEmpty() || modal->property("drivenByTest").toBool()
            || modal->objectName() != FSteps.head().name)
            return;
        modal->setProperty("drivenByTest", true);
        const Pending pending = FSteps.dequeue();
        FSeen.append(pending.name);
        // Run outside this timer: a step that opens a nested dialog must not block the driver.
        QTimer::singleShot(0, modal, [modal, step = pending.step] { step(modal); });
    }

    QTimer FTimer;
    QElapsedTimer FClock;
    int FLimitMs;
    QQueue<Pending> FSteps;
    QStringList FSeen;
    QString FFailure;
};

// Saves a picture of the widget for a person to look at, when VIGILO_SCREENSHOT_DIR names a folder.
inline void SaveDbScreenshot(QWidget* widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("VIGILO_SCREENSHOT_DIR");
    if (!folder.isEmpty())
        widget->grab().save(folder + QLatin1Char('/') + name);
}
