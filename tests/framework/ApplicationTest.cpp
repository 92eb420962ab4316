#include "framework/MessageBoxRecorder.h"
#include "tests/framework/QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

namespace
{

TEST(Application, AnErrorInAnEventHandlerBecomesAMessageBoxAndTheProgramGoesOn)
{
    QProcess probe;
    probe.setProgram(QDir(QCoreApplication::applicationDirPath()).filePath("framework_error_probe"));
    probe.start();
    ASSERT_TRUE(probe.waitForStarted(10000)) << probe.errorString().toStdString();
    if (!probe.waitForFinished(20000)) {
        probe.kill();
        probe.waitForFinished(5000);
        FAIL() << "the probe did not end";
    }
    const QString output = QString::fromUtf8(probe.readAllStandardOutput());
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0);
    EXPECT_TRUE(output.contains("BOX Probe: probe failure ü\n")) << output.toStdString();
    EXPECT_TRUE(output.contains("CONTINUED\n")) << output.toStdString();
}

TEST(Application, RecorderAnswersInsteadOfAPerson)
{
    MessageBoxRecorder boxes;
    boxes.queueAnswer(QMessageBox::No);
    EXPECT_EQ(MessageBox::question("Save changes ?"), QMessageBox::No);
    EXPECT_EQ(MessageBox::question("Again ?"), QMessageBox::Yes); // the default button
    MessageBox::information("Reply from device");
    EXPECT_EQ(boxes.texts(), QStringList({"Save changes ?", "Again ?", "Reply from device"}));
    EXPECT_EQ(boxes.requests().at(2).icon, QMessageBox::Information);
    EXPECT_EQ(boxes.requests().at(0).buttons, QMessageBox::Yes | QMessageBox::No);
}

} // namespace
