#pragma once

#include "framework/THelpDocument.h"

#include <QWidget>

#include <memory>

namespace Ui
{
class THelpViewer;
}
class QTextBrowser;
class QTreeWidgetItem;

// The help viewer: a window with the help file on the right and, on the left, its topics
// (Contents: the document's headings) and its keywords (Index). Not modal.
class THelpViewer final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(THelpViewer)
public:
    explicit THelpViewer(QWidget* parent = nullptr);
    ~THelpViewer() override;

    // Loads the file unless it is the one shown and unchanged. Throws EHelpFileError.
    void OpenFile(const QString& fileName);

    // Shows the topic of the keyword; without one, the Index tab with the keyword typed in.
    bool ShowKeyword(const QString& keyword);
    // Shows the topic of "context-N"; without one, the Contents tab.
    bool ShowContext(int context);
    void ShowContents();
    void ShowIndex();

    const THelpDocument& Document() const { return FDocument; }
    QTextBrowser* Browser() const;
    // The anchor scrolled to last, "" after opening.
    QString CurrentAnchor() const { return FCurrentAnchor; }

private:
    void FillContents();
    void FillIndex();
    void ShowAnchor(const QString& anchor);
    void ShowPosition(int position);
    void Present();
    void IndexEdited(const QString& text);
    void DisplayIndexEntry();
    void ContentsClicked(QTreeWidgetItem* item);
    void LinkClicked(const QUrl& url);

    std::unique_ptr<Ui::THelpViewer> ui;
    THelpDocument FDocument;
    qint64 FLoadedAt = 0;
    QString FCurrentAnchor;
};
