// vigilo-admin: creates inventories and scrambles values for the settings file.
#include "tools/vigilo-admin/AdminTool.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vigilo-admin"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    AdminTool tool(out, err);
    return tool.run(app.arguments().mid(1));
}
