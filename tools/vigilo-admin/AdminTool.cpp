#include "tools/vigilo-admin/AdminTool.h"

#include "common/Inventory.h"
#include "common/Scramble.h"
#include "platform/db/ConnectionString.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{

const QString MainHelp
    = QStringLiteral("Usage: vigilo-admin COMMAND [ARGUMENT]\n"
                     "\n"
                     "Administration helpers for the Vigilo inventory and its settings file.\n"
                     "\n"
                     "Commands:\n"
                     "  init CONNECTION   create the inventory tables in an empty database\n"
                     "  scramble TEXT     print the scrambled form of a value for the settings file\n"
                     "  unscramble HEX    print the value of a scrambled text\n"
                     "\n"
                     "Run \"vigilo-admin COMMAND --help\" for the details of a command.\n");

const QString InitHelp = QStringLiteral(
    "Usage: vigilo-admin init CONNECTION\n"
    "\n"
    "Creates the inventory tables AssetList and AddInfo in an empty database.\n"
    "CONNECTION is either the path of an SQLite file, created when it does not exist,\n"
    "or a connection string (anything with \"=\" in it), for example:\n"
    "  \"Provider=SQLite;Data Source=/srv/vigilo/inventory.db\"\n"
    "  \"Provider=PostgreSQL;Server=dbhost;Port=5432;Database=vigilo;User ID=vigilo;Password=...\"\n"
    "  \"Provider=ODBC;DSN=vigilo\"\n"
    "A database that already holds the tables is left as it is.\n"
    "\n"
    "Exit status: 0 created or already there, 1 failure, 2 wrong usage.\n");

const QString ScrambleHelp
    = QStringLiteral("Usage: vigilo-admin scramble TEXT\n"
                     "\n"
                     "Prints the scrambled hexadecimal form of TEXT, as the settings file keeps the\n"
                     "keys \"ConnectionString\" and \"Password\" of its section \"Connection\".\n"
                     "Each run gives a different form of the same value.\n"
                     "\n"
                     "Exit status: 0 printed, 1 TEXT is empty or blanks only, 2 wrong usage.\n");

const QString UnscrambleHelp
    = QStringLiteral("Usage: vigilo-admin unscramble HEX\n"
                     "\n"
                     "Prints the value of a scrambled hexadecimal text from the settings file.\n"
                     "\n"
                     "Exit status: 0 printed, 1 HEX does not unscramble, 2 wrong usage.\n");

bool wantsHelp(const QStringList& arguments)
{
    return arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"));
}

// A plain path means an SQLite file; a text with "=" is a connection string.
QString connectionStringFor(const QString& argument)
{
    if (argument.contains(QLatin1Char('=')))
        return argument;
    ConnectionString cs;
    cs.setValue(QStringLiteral("Provider"), QStringLiteral("SQLite"));
    cs.setValue(QStringLiteral("Data Source"), QFileInfo(argument).absoluteFilePath());
    return cs.toString();
}

} // namespace

AdminTool::AdminTool(QTextStream& out, QTextStream& err)
    : m_out(out)
    , m_err(err)
{
}

int AdminTool::run(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return usage(QStringLiteral("no command given"), MainHelp);
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")
        || command == QLatin1String("help")) {
        m_out << MainHelp;
        return 0;
    }
    if (command == QLatin1String("init"))
        return init(rest);
    if (command == QLatin1String("scramble"))
        return scramble(rest);
    if (command == QLatin1String("unscramble"))
        return unscramble(rest);
    return usage(QStringLiteral("unknown command \"%1\"").arg(command), MainHelp);
}

int AdminTool::usage(const QString& problem, const QString& help)
{
    m_err << "vigilo-admin: " << problem << "\n\n" << help;
    m_err.flush();
    return 2;
}

int AdminTool::init(const QStringList& arguments)
{
    if (wantsHelp(arguments)) {
        m_out << InitHelp;
        return 0;
    }
    if (arguments.size() != 1)
        return usage(QStringLiteral("init takes one CONNECTION"), InitHelp);
    DbConnection connection;
    connection.setConnectionString(connectionStringFor(arguments.first()));
    connection.setBaseFolder(QDir::currentPath());
    QString newFile;
    try {
        if (connection.engine() == DbEngine::SQLite && !QFileInfo::exists(connection.sqliteFile()))
            newFile = connection.sqliteFile();
        connection.openForCreate();
        if (!Inventory::create(connection)) {
            m_out << "The inventory already exists in " << connection.describe()
                  << "; nothing was changed.\n";
            return 0;
        }
        m_out << "Created the inventory tables AssetList and AddInfo in " << connection.describe() << ".\n";
        return 0;
    } catch (const DbError& e) {
        connection.close();
        // A file this run created for a failed inventory is no inventory: leave nothing behind.
        if (!newFile.isEmpty()) {
            QFile::remove(newFile);
            QFile::remove(newFile + QLatin1String("-wal"));
            QFile::remove(newFile + QLatin1String("-shm"));
        }
        m_err << "vigilo-admin: " << e.message() << "\n";
        return 1;
    }
}

int AdminTool::scramble(const QStringList& arguments)
{
    if (wantsHelp(arguments)) {
        m_out << ScrambleHelp;
        return 0;
    }
    if (arguments.size() != 1)
        return usage(QStringLiteral("scramble takes one TEXT"), ScrambleHelp);
    const QString scrambled = ScrambleText(arguments.first(), true);
    if (scrambled.isEmpty()) {
        m_err << "vigilo-admin: an empty or blank value has no scrambled form; leave the key empty instead\n";
        return 1;
    }
    m_out << scrambled << "\n";
    return 0;
}

int AdminTool::unscramble(const QStringList& arguments)
{
    if (wantsHelp(arguments)) {
        m_out << UnscrambleHelp;
        return 0;
    }
    if (arguments.size() != 1)
        return usage(QStringLiteral("unscramble takes one HEX text"), UnscrambleHelp);
    // Hexadecimal digits typed in lower case mean the same.
    const QString value = UnscrambleText(arguments.first().trimmed().toUpper(), true);
    if (value.isEmpty()) {
        m_err << "vigilo-admin: \"" << arguments.first() << "\" does not unscramble\n";
        return 1;
    }
    m_out << value << "\n";
    return 0;
}
