#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui
{
class THelpFileDialog;
}
class TLngNode;

// "Select Helpfile": picks one of the help files found in the program's folder.
class THelpFileDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(THelpFileDialog)
public:
    explicit THelpFileDialog(QWidget* parent = nullptr);
    ~THelpFileDialog() override;

    // Lists the names in lower case, in the given order, and selects the first. The chosen
    // file keeps the name's real spelling, so that it opens on a case-sensitive file system.
    void SetFiles(const QStringList& fileNames);
    // The real name of the chosen file; "" when the list is empty.
    QString FileName() const;

    TLngNode* LngNode1 = nullptr;

private:
    std::unique_ptr<Ui::THelpFileDialog> ui;
};
