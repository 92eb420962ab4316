#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <stdexcept>

// A help file could not be shown; what() names the file and says why.
class EHelpFileError : public std::runtime_error
{
public:
    explicit EHelpFileError(const QString& message);
};

// A help file: an HTML document whose headings are its topics and whose anchors (<a name> or
// id) are its help keywords; "context-N" anchors give the topic of help context number N.
class THelpDocument final
{
public:
    struct Topic {
        QString title;
        int level = 0; // 1 for <h1>, 2 for <h2>, ...
        QString anchor; // first anchor of the heading, "" when it has none
        int position = 0; // character position of the heading in the document
    };

    // Reads the file. Throws EHelpFileError when it is missing, unreadable, a folder, or not an
    // HTML document (for example a help file of another format).
    void Load(const QString& fileName);

    QString FileName() const { return FFileName; }
    QString Title() const { return FTitle; }
    QString Html() const { return FHtml; }
    const QList<Topic>& Topics() const { return FTopics; }
    // Every anchor but the context ones, sorted without regard to case, each name once.
    QStringList Keywords() const;

    // The anchor that names the keyword: exact spelling first, else without regard to case;
    // "" when the document has none.
    QString AnchorForKeyword(const QString& keyword) const;
    QString AnchorForContext(int context) const;

    static QString ContextAnchor(int context);

private:
    QString FFileName;
    QString FTitle;
    QString FHtml;
    QList<Topic> FTopics;
    QStringList FAnchors; // document order
};
