#include "framework/THelpFileDialog.h"

#include "framework/TLngNode.h"
#include "ui_THelpFileDialog.h"

THelpFileDialog::THelpFileDialog(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::THelpFileDialog>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    LngNode1 = new TLngNode(this);
    LngNode1->setObjectName(QStringLiteral("LngNode1"));
}

THelpFileDialog::~THelpFileDialog() = default;

void THelpFileDialog::SetFiles(const QStringList& fileNames)
{
    ui->FileCombo->clear();
    for (const QString& name : fileNames)
        ui->FileCombo->addItem(name.toLower(), name);
    if (ui->FileCombo->count() > 0)
        ui->FileCombo->setCurrentIndex(0);
}

QString THelpFileDialog::FileName() const
{
    return ui->FileCombo->currentData().toString();
}
