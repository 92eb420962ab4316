#include "framework/THelpViewer.h"

#include "ui_THelpViewer.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QUrl>

namespace
{

constexpr int PositionRole = Qt::UserRole;
constexpr int AnchorRole = Qt::UserRole + 1;

} // namespace

THelpViewer::THelpViewer(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , ui(std::make_unique<Ui::THelpViewer>())
{
    ui->setupUi(this);
    ui->Splitter->setStretchFactor(0, 0);
    ui->Splitter->setStretchFactor(1, 1);
    ui->Splitter->setSizes({330, 610});

    connect(ui->ContentsTree, &QTreeWidget::itemClicked, this,
        [this](QTreeWidgetItem* item) { ContentsClicked(item); });
    connect(ui->ContentsTree, &QTreeWidget::itemActivated, this,
        [this](QTreeWidgetItem* item) { ContentsClicked(item); });
    connect(ui->IndexEdit, &QLineEdit::textEdited, this, &THelpViewer::IndexEdited);
    connect(ui->IndexEdit, &QLineEdit::returnPressed, this, &THelpViewer::DisplayIndexEntry);
    connect(ui->IndexList, &QListWidget::itemActivated, this, &THelpViewer::DisplayIndexEntry);
    connect(ui->DisplayButton, &QPushButton::clicked, this, &THelpViewer::DisplayIndexEntry);
    connect(ui->Browser, &QTextBrowser::anchorClicked, this, &THelpViewer::LinkClicked);
}

THelpViewer::~THelpViewer() = default;

QTextBrowser* THelpViewer::Browser() const
{
    return ui->Browser;
}

void THelpViewer::OpenFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    const qint64 stamp = info.lastModified().toMSecsSinceEpoch();
    if (!FDocument.FileName().isEmpty() && QFileInfo(FDocument.FileName()) == info && stamp == FLoadedAt)
        return;

    THelpDocument document;
    document.Load(fileName);
    FDocument = document;
    FLoadedAt = stamp;
    FCurrentAnchor.clear();

    ui->Browser->setSearchPaths({info.absolutePath()});
    ui->Browser->setHtml(FDocument.Html());
    const QString title = FDocument.Title().isEmpty() ? info.fileName() : FDocument.Title();
    setWindowTitle(tr("Help - %1").arg(title));
    FillContents();
    FillIndex();
}

void THelpViewer::FillContents()
{
    ui->ContentsTree->clear();
    // Each heading goes under the nearest heading of a smaller level before it.
    QList<std::pair<int, QTreeWidgetItem*>> open;
    for (const THelpDocument::Topic& topic : FDocument.Topics()) {
        while (!open.isEmpty() && open.constLast().first >= topic.level)
            open.removeLast();
        auto* item = open.isEmpty() ? new QTreeWidgetItem(ui->ContentsTree)
                                    : new QTreeWidgetItem(open.constLast().second);
        item->setText(0, topic.title);
        item->setData(0, PositionRole, topic.position);
        item->setData(0, AnchorRole, topic.anchor);
        open.append({topic.level, item});
    }
    ui->ContentsTree->expandAll();
}

void THelpViewer::FillIndex()
{
    ui->IndexList->clear();
    ui->IndexList->addItems(FDocument.Keywords());
    ui->IndexEdit->clear();
}

bool THelpViewer::ShowKeyword(const QString& keyword)
{
    const QString anchor = FDocument.AnchorForKeyword(keyword);
    if (anchor.isEmpty()) {
        ShowIndex();
        ui->IndexEdit->setText(keyword);
        IndexEdited(keyword);
        return false;
    }
    Present();
    ShowAnchor(anchor);
    return true;
}

bool THelpViewer::ShowContext(int context)
{
    const QString anchor = FDocument.AnchorForContext(context);
    if (anchor.isEmpty()) {
        ShowContents();
        return false;
    }
    Present();
    ShowAnchor(anchor);
    return true;
}

void THelpViewer::ShowContents()
{
    Present();
    ui->TopicTabs->setCurrentWidget(ui->ContentsPage);
    ui->ContentsTree->setFocus();
}

void THelpViewer::ShowIndex()
{
    Present();
    ui->TopicTabs->setCurrentWidget(ui->IndexPage);
    ui->IndexEdit->setFocus();
}

void THelpViewer::Present()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void THelpViewer::ShowAnchor(const QString& anchor)
{
    FCurrentAnchor = anchor;
    ui->Browser->scrollToAnchor(anchor);
}

void THelpViewer::ShowPosition(int position)
{
    QTextCursor cursor(ui->Browser->document());
    cursor.setPosition(position);
    ui->Browser->setTextCursor(cursor);
    QScrollBar* bar = ui->Browser->verticalScrollBar();
    bar->setValue(bar->value() + ui->Browser->cursorRect(cursor).top());
}

void THelpViewer::IndexEdited(const QString& text)
{
    if (text.isEmpty())
        return;
    const QList<QListWidgetItem*> found = ui->IndexList->findItems(text, Qt::MatchStartsWith);
    if (!found.isEmpty()) {
        ui->IndexList->setCurrentItem(found.first());
        ui->IndexList->scrollToItem(found.first(), QAbstractItemView::PositionAtTop);
    }
}

void THelpViewer::DisplayIndexEntry()
{
    if (QListWidgetItem* item = ui->IndexList->currentItem())
        ShowAnchor(FDocument.AnchorForKeyword(item->text()));
}

void THelpViewer::ContentsClicked(QTreeWidgetItem* item)
{
    const QString anchor = item->data(0, AnchorRole).toString();
    if (!anchor.isEmpty())
        ShowAnchor(anchor);
    else
        ShowPosition(item->data(0, PositionRole).toInt());
}

void THelpViewer::LinkClicked(const QUrl& url)
{
    if (url.scheme().isEmpty() && url.path().isEmpty() && url.hasFragment()) {
        ShowAnchor(url.fragment());
        return;
    }
    // Other documents and web addresses belong to the desktop's programs.
    const QUrl resolved = url.isRelative()
        ? QUrl::fromLocalFile(QFileInfo(FDocument.FileName()).absolutePath() + QLatin1Char('/')).resolved(url)
        : url;
    QDesktopServices::openUrl(resolved);
}
