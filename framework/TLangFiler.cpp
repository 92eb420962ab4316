#include "framework/TLangFiler.h"

#include "common/TextCodec.h"
#include "framework/TLngNode.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QtDebug>

#include <algorithm>

namespace
{

struct CommonWord {
    const char* name;
    const char* value;
};

// The words every program of the framework may ask for, in the order they are created.
// The home page is left empty: a language file may name one.
constexpr CommonWord CommonWords[] = {
    {"CommonStr.OK", "OK"},
    {"CommonStr.Cancel", "Cancel"},
    {"CommonStr.Yes", "Yes"},
    {"CommonStr.No", "No"},
    {"CommonStr.New", "New"},
    {"CommonStr.Add", "Add"},
    {"CommonStr.Open", "Open"},
    {"CommonStr.Close", "Close"},
    {"CommonStr.Save", "Save"},
    {"CommonStr.Clear", "Clear"},
    {"CommonStr.SaveFirst", "Save %s First?"},
    {"CommonStr.About", "About"},
    {"CommonStr.HomePage", ""},
};

// A code becomes part of a file name: anything that could leave the program's folder, or is
// empty, names no file.
bool IsUsableCode(const QString& code)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return plain.match(code).hasMatch();
}

} // namespace

ELangFileError::ELangFileError(const QString& path, const QString& reason)
    : std::runtime_error(
        QStringLiteral("Cannot write the language file %1: %2").arg(path, reason).toUtf8().toStdString())
{
}

TLangFiler::TLangFiler()
{
    Reset();
}

void TLangFiler::Reset()
{
    FStrings.clear();
    FLanguageCode = QStringLiteral("us");
    AddCommonDefaults(false);
}

QString TLangFiler::DefaultFilePrefix()
{
    // The store may be asked before the application object exists; the program's own path then
    // comes from the kernel.
    QString program = QCoreApplication::instance()
        ? QCoreApplication::applicationFilePath()
        : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    QFileInfo info(program);
    return info.absolutePath() + QStringLiteral("/L_") + info.completeBaseName() + QLatin1Char('.');
}

QString TLangFiler::FilePrefix() const
{
    if (FFilePrefix.isEmpty())
        FFilePrefix = DefaultFilePrefix();
    return FFilePrefix;
}

void TLangFiler::SetLanguage(const QString& code)
{
    LoadLanguage(code);
    AddCommonDefaults(true);
    // A node's change handler may create or destroy nodes; walk a copy and skip the gone ones.
    const QList<TLngNode*> nodes = FNodes;
    for (TLngNode* node : nodes) {
        if (FNodes.contains(node))
            node->Translate();
    }
}

void TLangFiler::LoadLanguage(const QString& code)
{
    FLanguageCode = code.left(3);
    FStrings.clear();
    if (IsUsableCode(FLanguageCode) && QFileInfo::exists(FilePrefix() + FLanguageCode)) {
        ReadFile(FilePrefix() + FLanguageCode);
        return;
    }
    FLanguageCode = QStringLiteral("us");
    if (QFileInfo::exists(FilePrefix() + FLanguageCode))
        ReadFile(FilePrefix() + FLanguageCode);
}

bool TLangFiler::ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "Language file" << path << "cannot be read:" << file.errorString();
        return false;
    }
    QString text = DecodeUtf8OrWindows1252(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    // CR, LF and CR LF each end a line; a final line break adds no empty entry.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    FStrings = text.split(lineBreak);
    if (!FStrings.isEmpty() && FStrings.constLast().isEmpty())
        FStrings.removeLast();
    return true;
}

void TLangFiler::SaveLanguage()
{
    QStringList lines = FStrings;
    std::stable_sort(lines.begin(), lines.end(),
        [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    QByteArray bytes;
    for (const QString& line : std::as_const(lines))
        bytes += line.toUtf8() + "\r\n";

    const QString path = FileName();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ELangFileError(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw ELangFileError(path, file.errorString());
}

int TLangFiler::IndexOfName(const QString& name) const
{
    for (int i = 0; i < FStrings.size(); ++i) {
        const QString& line = FStrings.at(i);
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(line).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TLangFiler::Value(const QString& name) const
{
    const int i = IndexOfName(name);
    if (i < 0)
        return {};
    const QString& line = FStrings.at(i);
    return line.mid(line.indexOf(QLatin1Char('=')) + 1);
}

void TLangFiler::SetValue(const QString& name, const QString& value)
{
    const int i = IndexOfName(name);
    if (value.isEmpty()) {
        if (i >= 0)
            FStrings.removeAt(i);
        return;
    }
    // A value cannot hold a line break: the file has no escapes.
    QString flat = value;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString line = name + QLatin1Char('=') + flat;
    if (i >= 0)
        FStrings[i] = line;
    else
        FStrings.append(line);
}

QString TLangFiler::CommonText(const QString& word) const
{
    return Value(QStringLiteral("CommonStr.") + word);
}

QString TLangFiler::TextOrDefault(const QString& name, const QString& def)
{
    const QString value = Value(name);
    if (!value.isEmpty())
        return value;
    SetValue(name, def);
    return def;
}

void TLangFiler::RegisterNode(TLngNode* node)
{
    if (!node || FNodes.contains(node))
        return;
    FNodes.append(node);
    node->Translate();
}

void TLangFiler::UnregisterNode(TLngNode* node)
{
    FNodes.removeAll(node);
}

void TLangFiler::AddCommonDefaults(bool onlyMissing)
{
    for (const CommonWord& word : CommonWords) {
        const QString name = QString::fromLatin1(word.name);
        if (!onlyMissing || Value(name).isEmpty())
            SetValue(name, QString::fromUtf8(word.value));
    }
}

TLangFiler& LangFiler()
{
    static TLangFiler filer;
    return filer;
}

QString LangText(const QString& name, const QString& def)
{
    return LangFiler().TextOrDefault(name, def);
}
