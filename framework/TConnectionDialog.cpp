#include "framework/TConnectionDialog.h"

#include "ui_TConnectionDialog.h"

#include "common/Inventory.h"
#include "platform/db/ConnectionString.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbEngine.h"
#include "platform/db/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIntValidator>
#include <QTextStream>

#include <exception>
#include <optional>

namespace
{

const QLatin1String ProviderKey("Provider");
const QLatin1String UserKey("User ID");
const QLatin1String PasswordKey("Password");
const QLatin1String DataSourceKey("Data Source");
const QLatin1String ServerKey("Server");
const QLatin1String PortKey("Port");
const QLatin1String CatalogKey("Initial Catalog");
const QLatin1String DatabaseKey("Database");

const QString FileFilter = QStringLiteral("SQLite databases (*.db *.sqlite *.sqlite3);;All files (*)");

// The order of the provider choice.
const DbEngine Engines[] = {DbEngine::SQLite, DbEngine::PostgreSQL, DbEngine::ODBC};

int IndexOfEngine(DbEngine engine)
{
    for (int i = 0; i < 3; ++i) {
        if (Engines[i] == engine)
            return i;
    }
    return 0;
}

// The engine the string's Provider names, or nothing (with the reason) when it names none we know.
std::optional<DbEngine> EngineOf(const ConnectionString& cs, QString* reason = nullptr)
{
    try {
        return DbEngineFromProvider(cs.value(ProviderKey));
    } catch (const DbError& e) {
        if (reason)
            *reason = e.message();
        return std::nullopt;
    }
}

void SetOrRemove(ConnectionString& cs, const QString& key, const QString& value)
{
    if (value.isEmpty())
        cs.remove(key);
    else
        cs.setValue(key, value);
}

// The key under which the string already holds a value with two spellings, else the first one.
QString KeyOf(const ConnectionString& cs, const QString& first, const QString& second)
{
    return !cs.contains(first) && cs.contains(second) ? second : first;
}

// The ODBC part: everything but the keys the dialog shows in fields of its own.
QString OdbcPart(const ConnectionString& cs)
{
    ConnectionString rest = cs;
    rest.remove(ProviderKey);
    rest.remove(UserKey);
    rest.remove(PasswordKey);
    return rest.toString();
}

// Names of the data sources that unixODBC knows from the system's and the user's odbc.ini.
QStringList OdbcSourceNames()
{
    QStringList names;
    const QStringList files {
        QStringLiteral("/etc/odbc.ini"), QDir::homePath() + QStringLiteral("/.odbc.ini")};
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (!line.startsWith(QLatin1Char('[')) || !line.endsWith(QLatin1Char(']')))
                continue;
            const QString name = line.mid(1, line.size() - 2).trimmed();
            if (!name.isEmpty() && name.compare(QLatin1String("ODBC Data Sources"), Qt::CaseInsensitive) != 0
                && name.compare(QLatin1String("ODBC"), Qt::CaseInsensitive) != 0 && !names.contains(name))
                names.append(name);
        }
    }
    return names;
}

void RemoveSQLiteFiles(const QString& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

} // namespace

TConnectionDialog::TConnectionDialog(QWidget* parent)
    : QDialog(parent)
    , FUi(std::make_unique<Ui::TConnectionDialog>())
{
    FUi->setupUi(this);
    for (DbEngine engine : Engines)
        FUi->ProviderCombo->addItem(DbEngineName(engine));
    FUi->PortEdit->setValidator(new QIntValidator(1, 65535, FUi->PortEdit));
    FillOdbcSources();

    connect(FUi->ProviderCombo, &QComboBox::currentIndexChanged, this, &TConnectionDialog::ProviderChanged);
    for (QLineEdit* edit :
        {FUi->FileEdit, FUi->HostEdit, FUi->PortEdit, FUi->DatabaseEdit, FUi->UserEdit, FUi->PasswordEdit})
        connect(edit, &QLineEdit::textEdited, this, &TConnectionDialog::FieldsEdited);
    connect(FUi->OdbcCombo, &QComboBox::editTextChanged, this, &TConnectionDialog::FieldsEdited);
    connect(FUi->SavePasswordCheck, &QCheckBox::toggled, this, &TConnectionDialog::FieldsEdited);
    connect(FUi->ConnectionStringEdit, &QLineEdit::textEdited, this, &TConnectionDialog::RawEdited);
    connect(FUi->BrowseButton, &QPushButton::clicked, this, &TConnectionDialog::BrowseFile);
    connect(FUi->CreateButton, &QPushButton::clicked, this, &TConnectionDialog::CreateInventory);
    connect(FUi->TestButton, &QPushButton::clicked, this, &TConnectionDialog::TestConnection);
    connect(FUi->OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(FUi->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

TConnectionDialog::~TConnectionDialog() = default;

void TConnectionDialog::SetConnectionString(const QString& text)
{
    FUpdating = true;
    FUi->ConnectionStringEdit->setText(text);
    FUpdating = false;
    ShowFields(text);
}

QString TConnectionDialog::ConnectionString() const
{
    return FUi->ConnectionStringEdit->text();
}

void TConnectionDialog::SetLogon(const QString& userName, const QString& password)
{
    FLogonUser = userName;
    FLogonPassword = password;
    // Shown greyed in the empty fields: Test and the logon use these unless something is typed.
    FUi->UserEdit->setPlaceholderText(userName);
    FUi->PasswordEdit->setPlaceholderText(password.isEmpty() ? QString() : tr("the logon's password"));
}

QString TConnectionDialog::StatusText() const
{
    return FUi->StatusLabel->text();
}

QString TConnectionDialog::Edit(QWidget* parent, const QString& current, const QString& baseFolder,
    const QString& userName, const QString& password)
{
    TConnectionDialog dialog(parent);
    dialog.SetBaseFolder(baseFolder);
    dialog.SetLogon(userName, password);
    dialog.SetConnectionString(current);
    if (dialog.exec() != QDialog::Accepted)
        return current;
    return dialog.ConnectionString();
}

void TConnectionDialog::ProviderChanged()
{
    FUi->ProviderPages->setCurrentIndex(FUi->ProviderCombo->currentIndex());
    FieldsEdited();
}

void TConnectionDialog::FieldsEdited()
{
    if (FUpdating)
        return;
    FUpdating = true;
    FUi->ConnectionStringEdit->setText(BuildFromFields());
    FUpdating = false;
    SetStatus(QString(), false);
}

void TConnectionDialog::RawEdited()
{
    if (FUpdating)
        return;
    ShowFields(FUi->ConnectionStringEdit->text());
}

// Fields from the string. The fields of the other providers, and the password when the string holds
// none, keep what the user typed.
void TConnectionDialog::ShowFields(const QString& text)
{
    const ::ConnectionString cs(text);
    QString reason;
    const std::optional<DbEngine> engine = EngineOf(cs, &reason);
    FUpdating = true;
    if (engine) {
        FUi->ProviderCombo->setCurrentIndex(IndexOfEngine(*engine));
        FUi->ProviderPages->setCurrentIndex(IndexOfEngine(*engine));
        switch (*engine) {
        case DbEngine::SQLite:
            FUi->FileEdit->setText(cs.value(DataSourceKey));
            break;
        case DbEngine::PostgreSQL:
            // Written back under the spelling the string uses, even after a field was emptied.
            FHostKey = KeyOf(cs, ServerKey, DataSourceKey);
            FDatabaseKey = KeyOf(cs, DatabaseKey, CatalogKey);
            FUi->HostEdit->setText(cs.firstValue({DataSourceKey, ServerKey}));
            FUi->PortEdit->setText(cs.value(PortKey));
            FUi->DatabaseEdit->setText(cs.firstValue({CatalogKey, DatabaseKey}));
            break;
        case DbEngine::ODBC:
            FUi->OdbcCombo->setEditText(OdbcPart(cs));
            break;
        }
    }
    FUi->UserEdit->setText(cs.value(UserKey));
    const bool hasPassword = cs.contains(PasswordKey);
    FUi->SavePasswordCheck->setChecked(hasPassword);
    if (hasPassword)
        FUi->PasswordEdit->setText(cs.value(PasswordKey));
    FUpdating = false;
    // An empty string is a start, not an error.
    SetStatus(engine || text.trimmed().isEmpty() ? QString() : reason, true);
}

// Provider, the provider's fields, keys the dialog has no field for (kept while the provider
// stays), then user name and password.
QString TConnectionDialog::BuildFromFields() const
{
    const DbEngine engine = Engines[qBound(0, FUi->ProviderCombo->currentIndex(), 2)];
    const ::ConnectionString current(FUi->ConnectionStringEdit->text());
    const bool sameEngine = EngineOf(current) == engine;
    ::ConnectionString cs;
    cs.setValue(ProviderKey, sameEngine ? current.value(ProviderKey) : DbEngineName(engine));
    QStringList shown {ProviderKey, UserKey, PasswordKey};
    switch (engine) {
    case DbEngine::SQLite:
        SetOrRemove(cs, DataSourceKey, FUi->FileEdit->text().trimmed());
        shown << DataSourceKey;
        break;
    case DbEngine::PostgreSQL:
        SetOrRemove(cs, FHostKey, FUi->HostEdit->text().trimmed());
        SetOrRemove(cs, PortKey, FUi->PortEdit->text().trimmed());
        SetOrRemove(cs, FDatabaseKey, FUi->DatabaseEdit->text().trimmed());
        shown << ServerKey << DataSourceKey << PortKey << DatabaseKey << CatalogKey;
        break;
    case DbEngine::ODBC: {
        // Everything but provider and credentials is the ODBC part.
        const ::ConnectionString odbc(FUi->OdbcCombo->currentText());
        for (const QString& key : odbc.keys())
            cs.setValue(key, odbc.value(key));
        shown << current.keys();
        break;
    }
    }
    if (sameEngine) {
        for (const QString& key : current.keys()) {
            if (!shown.contains(key, Qt::CaseInsensitive))
                cs.setValue(key, current.value(key));
        }
    }
    SetOrRemove(cs, UserKey, FUi->UserEdit->text().trimmed());
    SetOrRemove(cs, PasswordKey, FUi->SavePasswordCheck->isChecked() ? FUi->PasswordEdit->text() : QString());
    return cs.toString();
}

QString TConnectionDialog::AbsoluteFile(const QString& file) const
{
    const QDir base(FBaseFolder.isEmpty() ? QDir::currentPath() : FBaseFolder);
    return QDir::cleanPath(base.absoluteFilePath(file));
}

void TConnectionDialog::BrowseFile()
{
    const QString current = FUi->FileEdit->text().trimmed();
    const QString start = current.isEmpty() ? FBaseFolder : AbsoluteFile(current);
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Inventory database"), start, FileFilter);
    if (chosen.isEmpty())
        return;
    FUi->FileEdit->setText(chosen);
    FieldsEdited();
}

void TConnectionDialog::FillOdbcSources()
{
    for (const QString& name : OdbcSourceNames())
        FUi->OdbcCombo->addItem(QStringLiteral("DSN=") + name);
    FUi->OdbcCombo->setCurrentIndex(-1);
}

void TConnectionDialog::SetStatus(const QString& text, bool failed)
{
    FUi->StatusLabel->setText(text);
    // A failure in dark red, so that it is not read as success at a glance.
    QPalette palette = this->palette();
    if (failed && !text.isEmpty())
        palette.setColor(QPalette::WindowText, QColor(0xB0, 0x00, 0x20));
    FUi->StatusLabel->setPalette(palette);
}

bool TConnectionDialog::TestConnection()
{
    const QString user
        = FUi->UserEdit->text().trimmed().isEmpty() ? FLogonUser : FUi->UserEdit->text().trimmed();
    const QString password = FUi->PasswordEdit->text().isEmpty() ? FLogonPassword : FUi->PasswordEdit->text();
    DbConnection connection;
    connection.setBaseFolder(FBaseFolder);
    connection.setConnectionString(ConnectionString());
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        connection.open(user, password);
        const bool inventory = Inventory::exists(connection);
        const QString where = connection.describe();
        connection.close();
        QGuiApplication::restoreOverrideCursor();
        SetStatus(inventory
                ? tr("The connection to %1 works.").arg(where)
                : tr("The connection to %1 works, but the database holds no inventory tables.").arg(where),
            !inventory);
        return true;
    } catch (const std::exception& e) {
        connection.close();
        QGuiApplication::restoreOverrideCursor();
        SetStatus(tr("The connection failed: %1").arg(QString::fromUtf8(e.what())), true);
        return false;
    }
}

bool TConnectionDialog::CreateInventory()
{
    QString file = FUi->FileEdit->text().trimmed();
    if (file.isEmpty()) {
        file = QFileDialog::getSaveFileName(this, tr("New inventory"), FBaseFolder, FileFilter);
        if (file.isEmpty())
            return false;
    }
    const QString path = AbsoluteFile(file);
    if (QFileInfo::exists(path)) {
        SetStatus(
            tr("The file \"%1\" exists already. Choose a new file name; nothing was changed.").arg(path),
            true);
        return false;
    }
    ::ConnectionString cs;
    cs.setValue(ProviderKey, DbEngineName(DbEngine::SQLite));
    cs.setValue(DataSourceKey, path);
    DbConnection connection;
    connection.setConnectionString(cs.toString());
    try {
        connection.openForCreate();
        Inventory::create(connection);
        connection.close();
    } catch (const std::exception& e) {
        connection.close();
        // The file is ours: it did not exist before.
        RemoveSQLiteFiles(path);
        SetStatus(
            tr("Creating the inventory \"%1\" failed: %2").arg(path, QString::fromUtf8(e.what())), true);
        return false;
    }
    FUpdating = true;
    FUi->ProviderCombo->setCurrentIndex(IndexOfEngine(DbEngine::SQLite));
    FUi->ProviderPages->setCurrentIndex(IndexOfEngine(DbEngine::SQLite));
    FUi->FileEdit->setText(file);
    FUpdating = false;
    FieldsEdited();
    SetStatus(tr("A new inventory was created in \"%1\".").arg(path), false);
    return true;
}
