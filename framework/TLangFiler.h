#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <stdexcept>

class TLngNode;

// A language file could not be written; what() names the file and the reason.
class ELangFileError : public std::runtime_error
{
public:
    ELangFileError(const QString& path, const QString& reason);
};

// The texts of one language as "name=value" lines: read from the language file beside the
// program, completed by the built-in common words, looked up and reported to by translation
// nodes and program code, and written back whole at the end of the run.
class TLangFiler final
{
public:
    TLangFiler();
    TLangFiler(const TLangFiler&) = delete;
    TLangFiler& operator=(const TLangFiler&) = delete;

    // Loads the language, adds the missing or empty built-in common words, translates every
    // registered node again.
    void SetLanguage(const QString& code);
    // Reads the file of the code (its first three characters), else the "us" file, else nothing.
    // A file that cannot be read leaves the list empty; it never stops the program.
    void LoadLanguage(const QString& code);
    // Sorts the lines without regard to case and replaces the file of the code in use (written
    // whole to a temporary file, then renamed). Throws ELangFileError; the old file then stays.
    void SaveLanguage();

    // "CommonStr." + word, or "" when absent. Stores nothing.
    QString CommonText(const QString& word) const;
    // The value of name when not empty; otherwise stores def (when not empty) and returns it.
    QString TextOrDefault(const QString& name, const QString& def);

    void RegisterNode(TLngNode* node);
    void UnregisterNode(TLngNode* node);
    bool IsRegistered(const TLngNode* node) const { return FNodes.contains(node); }

    // The entry list. Value: the first line whose part before its first "=" equals name without
    // regard to case; "" when none. SetValue: replaces that line or appends one; an empty value
    // removes the line and never creates one.
    QString Value(const QString& name) const;
    void SetValue(const QString& name, const QString& value);
    const QStringList& Strings() const { return FStrings; }

    // The code in use after any fallback; "us" at start.
    QString LanguageCode() const { return FLanguageCode; }
    // Folder of the program + "/L_" + program name + "."; the file of a code is prefix + code.
    QString FilePrefix() const;
    void SetFilePrefix(const QString& prefix) { FFilePrefix = prefix; }
    QString FileName() const { return FilePrefix() + FLanguageCode; }

    // Back to the state of program start: built-in words only, code "us". Nodes stay registered.
    void Reset();

    static QString DefaultFilePrefix();

private:
    int IndexOfName(const QString& name) const;
    void AddCommonDefaults(bool onlyMissing);
    bool ReadFile(const QString& path);

    QStringList FStrings;
    QList<TLngNode*> FNodes;
    QString FLanguageCode;
    mutable QString FFilePrefix;
};

// The program's one language store.
TLangFiler& LangFiler();

// TextOrDefault on the program's store, for code that holds no reference to it.
QString LangText(const QString& name, const QString& def);
