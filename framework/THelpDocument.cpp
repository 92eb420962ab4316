#include "framework/THelpDocument.h"

#include "common/TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace
{

const QLatin1String ContextPrefix("context-");

QStringList AnchorsOf(const QTextBlock& block)
{
    QStringList names;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        names += it.fragment().charFormat().anchorNames();
    return names;
}

} // namespace

EHelpFileError::EHelpFileError(const QString& message)
    : std::runtime_error(message.toUtf8().toStdString())
{
}

void THelpDocument::Load(const QString& fileName)
{
    if (fileName.trimmed().isEmpty())
        throw EHelpFileError(QStringLiteral("No help file has been chosen."));
    const QFileInfo info(fileName);
    if (!info.exists())
        throw EHelpFileError(QStringLiteral("The help file %1 does not exist.").arg(fileName));
    if (info.isDir())
        throw EHelpFileError(QStringLiteral("The help file %1 is a folder, not a file.").arg(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EHelpFileError(
            QStringLiteral("The help file %1 cannot be read: %2").arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    // Help files of other formats are binary; they would show as noise.
    if (bytes.left(4096).contains('\0') || !bytes.contains('<'))
        throw EHelpFileError(QStringLiteral("The help file %1 is not an HTML help document.").arg(fileName));

    const QString html = DecodeUtf8OrWindows1252(bytes);
    QTextDocument document;
    document.setHtml(html);

    FFileName = fileName;
    FHtml = html;
    FTitle = document.metaInformation(QTextDocument::DocumentTitle);
    FTopics.clear();
    FAnchors.clear();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QStringList anchors = AnchorsOf(block);
        FAnchors += anchors;
        const int level = block.blockFormat().headingLevel();
        if (level > 0 && !block.text().trimmed().isEmpty())
            FTopics.append({block.text().trimmed(), level, anchors.value(0), block.position()});
    }
}

QStringList THelpDocument::Keywords() const
{
    QStringList keywords;
    for (const QString& anchor : FAnchors) {
        if (!anchor.startsWith(ContextPrefix) && !keywords.contains(anchor, Qt::CaseInsensitive))
            keywords.append(anchor);
    }
    std::sort(keywords.begin(), keywords.end(),
        [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    return keywords;
}

QString THelpDocument::AnchorForKeyword(const QString& keyword) const
{
    if (keyword.isEmpty())
        return {};
    if (FAnchors.contains(keyword))
        return keyword;
    for (const QString& anchor : FAnchors) {
        if (anchor.compare(keyword, Qt::CaseInsensitive) == 0)
            return anchor;
    }
    return {};
}

QString THelpDocument::AnchorForContext(int context) const
{
    const QString anchor = ContextAnchor(context);
    return FAnchors.contains(anchor) ? anchor : QString();
}

QString THelpDocument::ContextAnchor(int context)
{
    return ContextPrefix + QString::number(context);
}
