#pragma once

#include <QList>
#include <QString>

#include "common/IniStoreError.h"

// The settings file held in memory: loaded whole when created, changed in memory, written whole
// by updateFile(). Section and key names compare without regard to case. Sections and keys keep
// the order in which they were read or created; comments and empty lines are not kept.
class IniStore
{
public:
    // Loads fileName; a missing or unreadable file is an empty store. An empty name is a store
    // that reads nothing and writes nothing.
    explicit IniStore(const QString& fileName);

    QString fileName() const { return m_fileName; }

    // A key present with an empty value reads as "", not as def.
    QString readString(const QString& section, const QString& key, const QString& def) const;
    // Decimal, or hexadecimal after "$" or "0x"; anything else, empty included, reads as def.
    int readInteger(const QString& section, const QString& key, int def) const;
    // An integer: non-zero is true; a value that is not an integer reads as def.
    bool readBool(const QString& section, const QString& key, bool def) const;

    // Replaces the key's line in place, spelled as given here, or appends it to its section (a
    // new section goes after all others). Line breaks in the value become blanks.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value); // "1" or "0"
    void deleteKey(const QString& section, const QString& key);

    bool valueExists(const QString& section, const QString& key) const;
    bool sectionExists(const QString& section) const;

    // Writes the whole store, atomically and readable by the owner only. Throws IniStoreError;
    // the file on disk is then left as it was.
    void updateFile() const;

    // The file's text as updateFile() writes it.
    QString toText() const;

private:
    struct Line {
        QString key; // empty for a line without "="
        QString value;
        QString text; // the whole line when it has no "="
        bool hasKey = false;
    };
    struct Section {
        QString name;
        QList<Line> lines;
    };

    void load();
    void parse(const QString& text);
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    const Line* findKey(const QString& section, const QString& key) const;

    QString m_fileName;
    QList<Section> m_sections;
};
