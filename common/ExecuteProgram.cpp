#include "common/ExecuteProgram.h"

#include <algorithm>

#include <QUrl>

#include "platform/shell/ShellOpen.h"

namespace
{

// Only a reference at the very start is expanded, and only the first one.
QString expandLeadingVariable(const QString& program)
{
    if (!program.startsWith(QLatin1Char('%')))
        return program;
    const qsizetype end = program.indexOf(QLatin1Char('%'), 1);
    if (end < 0)
        return program;
    const QString name = program.mid(1, end - 1);
    return qEnvironmentVariable(name.toLocal8Bit().constData()) + program.mid(end + 1);
}

// Stored inventories name the Windows browser as service program; here it means the default one.
bool namesWebBrowser(const QString& program)
{
    const qsizetype slash
        = std::max(program.lastIndexOf(QLatin1Char('/')), program.lastIndexOf(QLatin1Char('\\')));
    const QString name = program.mid(slash + 1);
    return name.compare(QLatin1String("iexplore"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("iexplore.exe"), Qt::CaseInsensitive) == 0;
}

} // namespace

void ExecuteProgram(const QString& program, const QString& parameters)
{
    const QString target = expandLeadingVariable(program.trimmed());
    const QString arguments = parameters.trimmed();
    if (target.isEmpty())
        return;
    // A program path with blanks needs no quotes here: program and parameters travel apart.
    if (namesWebBrowser(target)) {
        if (!arguments.isEmpty())
            ShellOpenDocument(QUrl::fromUserInput(arguments).toString(QUrl::FullyEncoded));
        return;
    }
    ShellOpen(target, arguments);
}
