#include "platform/db/ConnectionString.h"

#include <gtest/gtest.h>

namespace
{

struct ParseCase {
    const char* text;
    const char* key;
    const char* expected;
};

class ConnectionStringParse : public testing::TestWithParam<ParseCase>
{
};

TEST_P(ConnectionStringParse, FindsTheValue)
{
    const ParseCase& c = GetParam();
    const ConnectionString cs(QString::fromUtf8(c.text));
    EXPECT_EQ(cs.value(QString::fromUtf8(c.key)).toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConnectionStringParse,
    testing::Values(ParseCase {"Provider=SQLite;Data Source=inv.db", "Provider", "SQLite"},
        // keys without regard to case, blanks around keys and values dropped
        ParseCase {" Provider = PostgreSQL ; data source = db1 ;", "Data Source", "db1"},
        ParseCase {"Provider=PostgreSQL;PORT=5433", "port", "5433"},
        // quoted values may hold separators; a doubled quote stands for itself
        ParseCase {"Password=\"a;b=c\";User ID=x", "Password", "a;b=c"},
        ParseCase {"User ID='O''Brien';Password=x", "User ID", "O'Brien"},
        ParseCase {"Password=\" spaced \"", "Password", " spaced "},
        // ODBC braces keep separators and stay part of the value
        ParseCase {"Provider=ODBC;Driver={SQLite3 ODBC; Driver};Database=/tmp/x.db", "Driver",
            "{SQLite3 ODBC; Driver}"},
        ParseCase {"Provider=ODBC;Driver={SQLite3};Database=/tmp/x.db", "Database", "/tmp/x.db"},
        // empty parts are ignored; the last of two equal keys wins
        ParseCase {";;Provider=SQLite;;Data Source=a;data source=b", "Data Source", "b"},
        ParseCase {"Provider=SQLite", "Data Source", ""}));

TEST(ConnectionString, FormatsSoThatParsingGivesTheSameValues)
{
    ConnectionString cs;
    cs.setValue(QStringLiteral("Provider"), QStringLiteral("PostgreSQL"));
    cs.setValue(QStringLiteral("Password"), QStringLiteral("p;w\"x'y"));
    cs.setValue(QStringLiteral("User ID"), QStringLiteral(" lead"));
    cs.setValue(QStringLiteral("Driver"), QStringLiteral("{A;B}"));
    cs.setValue(QStringLiteral("Data Source"), QStringLiteral("plain"));

    const ConnectionString again(cs.toString());
    EXPECT_EQ(again.keys(), cs.keys());
    for (const QString& key : cs.keys())
        EXPECT_EQ(again.value(key), cs.value(key)) << key.toStdString();
}

TEST(ConnectionString, RedactedHidesEveryPassword)
{
    const ConnectionString cs(QStringLiteral("Provider=MSDASQL;password=topsecret;DSN=x;PWD=odbcsecret;"
                                             "Extended Properties=\"DSN=y;PWD=innersecret\""));
    const QString redacted = cs.redacted();
    EXPECT_FALSE(redacted.contains(QLatin1String("topsecret")));
    EXPECT_FALSE(redacted.contains(QLatin1String("odbcsecret")));
    EXPECT_FALSE(redacted.contains(QLatin1String("innersecret")));
    EXPECT_TRUE(redacted.contains(QLatin1String("password=***")));
    EXPECT_TRUE(redacted.contains(QLatin1String("DSN=x")));
    EXPECT_TRUE(cs.toString().contains(QLatin1String("topsecret")));
}

} // namespace
