#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// The commands of vigilo-admin. Results go to out, messages to err; run() answers the exit status:
// 0 success, 1 failure, 2 wrong usage.
class AdminTool
{
public:
    AdminTool(QTextStream& out, QTextStream& err);

    // arguments without the program name.
    int run(const QStringList& arguments);

private:
    int init(const QStringList& arguments);
    int scramble(const QStringList& arguments);
    int unscramble(const QStringList& arguments);
    int usage(const QString& problem, const QString& help);

    QTextStream& m_out;
    QTextStream& m_err;
};
