#include "common/IniStore.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "common/TextCodec.h"

namespace
{

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Digits of one base, at most what fits in 32 bits; false for anything else.
bool parseDigits(QStringView digits, int base, quint64 limit, quint64& value)
{
    if (digits.isEmpty())
        return false;
    value = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int digit = base;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        if (digit >= base)
            return false;
        value = value * base + digit;
        if (value > limit)
            return false;
    }
    return true;
}

// Decimal with an optional sign, or hexadecimal after "$" or "0x" (up to 32 bits, so "$FFFFFFFF"
// reads as -1, as files from earlier installations may hold).
bool parseInteger(const QString& text, int& result)
{
    QStringView rest = QStringView(text).trimmed();
    bool negative = false;
    if (rest.startsWith(u'+') || rest.startsWith(u'-')) {
        negative = rest.startsWith(u'-');
        rest = rest.mid(1);
    }
    quint64 value = 0;
    if (rest.startsWith(u'$') || rest.startsWith(u"0x", Qt::CaseInsensitive)) {
        if (!parseDigits(rest.mid(rest.startsWith(u'$') ? 1 : 2), 16, 0xFFFFFFFFu, value))
            return false;
        const auto bits = static_cast<quint32>(value);
        result = static_cast<int>(negative ? 0u - bits : bits);
        return true;
    }
    const quint64 limit = negative ? 2147483648u : 2147483647u;
    if (!parseDigits(rest, 10, limit, value))
        return false;
    result = static_cast<int>(negative ? -static_cast<qint64>(value) : static_cast<qint64>(value));
    return true;
}

// A value with a line break would split its line and could forge other keys.
QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

IniStore::IniStore(const QString& fileName)
    : m_fileName(fileName)
{
    load();
}

void IniStore::load()
{
    if (m_fileName.isEmpty())
        return;
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    parse(DecodeUtf8OrWindows1252(bytes));
}

void IniStore::parse(const QString& text)
{
    Section* current = nullptr;
    QString all = text;
    all.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = all.split(QLatin1Char('\n'));
    for (const QString& rawLine : lines) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            // A section met twice continues the first one.
            const QString name = line.mid(1, line.size() - 2).trimmed();
            current = findSection(name);
            if (!current) {
                m_sections.append(Section {name, {}});
                current = &m_sections.last();
            }
            continue;
        }
        if (!current)
            continue; // lines before the first section belong to none
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            current->lines.append(Line {{}, {}, line, false});
        else
            current->lines.append(
                Line {line.left(equals).trimmed(), line.mid(equals + 1).trimmed(), {}, true});
    }
}

const IniStore::Section* IniStore::findSection(const QString& name) const
{
    for (const Section& section : m_sections) {
        if (sameName(section.name, name))
            return &section;
    }
    return nullptr;
}

IniStore::Section* IniStore::findSection(const QString& name)
{
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

const IniStore::Line* IniStore::findKey(const QString& section, const QString& key) const
{
    const Section* found = findSection(section);
    if (!found)
        return nullptr;
    for (const Line& line : found->lines) {
        if (line.hasKey && sameName(line.key, key))
            return &line;
    }
    return nullptr;
}

QString IniStore::readString(const QString& section, const QString& key, const QString& def) const
{
    const Line* line = findKey(section, key);
    return line ? line->value : def;
}

int IniStore::readInteger(const QString& section, const QString& key, int def) const
{
    const Line* line = findKey(section, key);
    int value = 0;
    return line && parseInteger(line->value, value) ? value : def;
}

bool IniStore::readBool(const QString& section, const QString& key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void IniStore::writeString(const QString& section, const QString& key, const QString& value)
{
    Section* target = findSection(section);
    if (!target) {
        m_sections.append(Section {oneLine(section), {}});
        target = &m_sections.last();
    }
    for (Line& line : target->lines) {
        if (line.hasKey && sameName(line.key, key)) {
            line.key = oneLine(key);
            line.value = oneLine(value);
            return;
        }
    }
    target->lines.append(Line {oneLine(key), oneLine(value), {}, true});
}

void IniStore::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniStore::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniStore::deleteKey(const QString& section, const QString& key)
{
    Section* target = findSection(section);
    if (!target)
        return;
    target->lines.removeIf([&key](const Line& line) { return line.hasKey && sameName(line.key, key); });
}

bool IniStore::valueExists(const QString& section, const QString& key) const
{
    return findKey(section, key) != nullptr;
}

bool IniStore::sectionExists(const QString& section) const
{
    return findSection(section) != nullptr;
}

QString IniStore::toText() const
{
    QString text;
    for (const Section& section : m_sections) {
        text += QLatin1Char('[') + section.name + QLatin1String("]\n");
        for (const Line& line : section.lines)
            text += (line.hasKey ? line.key + QLatin1Char('=') + line.value : line.text) + QLatin1Char('\n');
        text += QLatin1Char('\n');
    }
    return text;
}

void IniStore::updateFile() const
{
    if (m_fileName.isEmpty())
        return;
    // Write through a link to the file it points to, so that the link stays.
    const QFileInfo named(m_fileName);
    const QFileInfo target(named.isSymLink() ? named.symLinkTarget() : named.absoluteFilePath());

    // The new content goes to a private file beside the old one, which it then replaces in one
    // rename: a crash or a full disk leaves either the old file or the new one, never half.
    QTemporaryFile temp(
        target.absolutePath() + QLatin1String("/.") + target.fileName() + QLatin1String(".XXXXXX"));
    if (!temp.open())
        throw IniStoreError(m_fileName, temp.errorString());
    if (::fchmod(temp.handle(), S_IRUSR | S_IWUSR) != 0)
        throw IniStoreError(m_fileName, systemError(errno));
    const QByteArray bytes = toText().toUtf8();
    if (temp.write(bytes) != bytes.size() || !temp.flush())
        throw IniStoreError(m_fileName, temp.errorString());
    if (::fsync(temp.handle()) != 0)
        throw IniStoreError(m_fileName, systemError(errno));
    if (::rename(QFile::encodeName(temp.fileName()).constData(),
            QFile::encodeName(target.absoluteFilePath()).constData())
        != 0)
        throw IniStoreError(m_fileName, systemError(errno));
    temp.setAutoRemove(false);

    // Make the rename itself durable; a failure here leaves a correct file behind.
    const int folder = ::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}
