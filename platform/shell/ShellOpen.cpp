#include "platform/shell/ShellOpen.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace
{

QString& documentOpener()
{
    static QString opener;
    return opener;
}

// The absolute path of program when it names an executable file, else "".
QString executablePath(const QString& program)
{
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(program);
}

} // namespace

void SetDocumentOpener(const QString& program)
{
    documentOpener() = program;
}

QString DocumentOpener()
{
    return documentOpener().isEmpty() ? QStringLiteral("xdg-open") : documentOpener();
}

void ShellOpenDocument(const QString& target)
{
    if (target.isEmpty())
        return;
    try {
        QProcess::startDetached(DocumentOpener(), {target});
    } catch (...) {
        // A shell open reports nothing to its caller.
    }
}

void ShellOpen(const QString& program, const QString& parameters)
{
    if (program.isEmpty())
        return;
    try {
        const QString executable = executablePath(program);
        if (executable.isEmpty())
            ShellOpenDocument(program);
        else
            QProcess::startDetached(executable, QProcess::splitCommand(parameters));
    } catch (...) {
        // As above: the outcome is not examined.
    }
}
