#pragma once

#include "platform/db/DbEngine.h"
#include "platform/db/SqlStatement.h"

#include <QString>
#include <QStringList>

class DbConnection;

// The inventory database: the two tables AssetList (one row per device) and AddInfo (typed notes
// per device), and every statement the programs send to them, kept in one place.
//
// Names are unquoted so that PostgreSQL folds them to lower case and every spelling the programs
// use (IpAddress, role, name) finds its column. Time columns hold day counts (see DayCount.h) in
// double precision; IPValue is a double so that 4294967295 fits. Text values are bound as `?`
// parameters, keys go in as decimal literals; every text runs unchanged on SQLite and PostgreSQL.
namespace Inventory
{

// The data definition for an engine: tables, then indexes. ODBC has no dialect of its own: use
// the engine behind the data source (DbConnection::dialect()); schemaStatements(ODBC) gives the
// SQLite form, which suits SQLite through the SQLite ODBC driver.
QStringList schemaStatements(DbEngine engine);

// Whether both tables exist.
bool exists(DbConnection& connection);

// Creates both tables with their indexes in one transaction. Answers false and changes nothing
// when they exist already; throws DbError when only one of them does, or when creating fails.
bool create(DbConnection& connection);

// AssetList

// Every column and no row: the result set into which a new device is appended.
SqlStatement selectNewDevice();
// Every column of one device.
SqlStatement selectDevice(int key);
// The distinct roles, in the database's order (the role tabs and the role choices).
SqlStatement selectRoles();
// The columns of the device list.
QString listColumns();
// The "Alert" list: pinged devices whose last attempt went unanswered or that never answered.
// orderBy is the list's sort expression, a program text such as "IPValue".
SqlStatement selectAlertList(const QString& orderBy);
// The devices of one role; withoutRole adds the devices that have no role (the first role tab).
SqlStatement selectRoleList(const QString& role, bool withoutRole, const QString& orderBy);
// The devices due in the server pass that started at passTime (a day count).
SqlStatement selectDueDevices(double passTime);

// AddInfo

// The notes of one device.
SqlStatement selectNotes(int deviceKey);
// The type names offered when a note is added (edit dialog).
SqlStatement selectNoteNames();
// The type names offered by the reports dialog.
SqlStatement selectReportNames();
// Adds a note with a type and no content.
SqlStatement insertNote(int deviceKey, const QString& typeName);
SqlStatement deleteNote(int noteKey);
SqlStatement deleteNotesOfDevice(int deviceKey);
// All notes of one type with their devices, for the printed report.
SqlStatement selectReport(const QString& typeName);

} // namespace Inventory
