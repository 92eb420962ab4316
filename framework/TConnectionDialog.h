#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui
{
class TConnectionDialog;
}

// Edits a connection string: a provider (SQLite, PostgreSQL, ODBC), the fields of that provider,
// the user name and, when wanted, the password. The raw string below the fields is the result and
// stays editable; fields and raw string follow each other. Test opens a connection with what is
// entered; for SQLite a new inventory file can be created.
class TConnectionDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TConnectionDialog)

public:
    explicit TConnectionDialog(QWidget* parent = nullptr);
    ~TConnectionDialog() override;

    // Fills the fields from the string; the raw text is kept exactly as given.
    void SetConnectionString(const QString& text);
    // The raw text: the result of the dialog.
    QString ConnectionString() const;
    // Folder against which a relative SQLite file is taken (the settings file's folder).
    void SetBaseFolder(const QString& folder) { FBaseFolder = folder; }
    // Credentials the logon would pass; Test uses them where the dialog's fields are empty.
    void SetLogon(const QString& userName, const QString& password);

    // What the Test button does: opens and closes a connection, shows the outcome below the
    // string. True when the connection opened.
    bool TestConnection();
    // What "Create a new inventory" does for the SQLite file named in the dialog (asking for a
    // name when none is given). True when a new file with the inventory tables was made.
    bool CreateInventory();
    // The text shown below the string: outcome of Test or Create, or what is wrong with the string.
    QString StatusText() const;

    // Shows the dialog modally, preset with current; answers the edited string, or current when
    // the user cancels.
    static QString Edit(QWidget* parent, const QString& current, const QString& baseFolder,
        const QString& userName, const QString& password);

private:
    void ProviderChanged();
    void FieldsEdited();
    void RawEdited();
    void ShowFields(const QString& text);
    QString BuildFromFields() const;
    void BrowseFile();
    void FillOdbcSources();
    void SetStatus(const QString& text, bool failed);
    QString AbsoluteFile(const QString& file) const;

    std::unique_ptr<Ui::TConnectionDialog> FUi;
    QString FBaseFolder;
    QString FLogonUser;
    QString FLogonPassword;
    QString FHostKey = QStringLiteral("Server");
    QString FDatabaseKey = QStringLiteral("Database");
    bool FUpdating = false;
};
