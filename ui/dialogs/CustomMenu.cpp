#include "CustomMenu.h"

#include "ui/Pictures.h"

#include "AEApp.h"
#include "CentreOn.h"
#include "DialogRun.h"
#include "ListCtrlEx.h"
#include "UnsavedSettings.h"
#include "core/CustomApps.h"
#include "platform/desktop/MessageBox.h"
#include "ui/dialogs/QtMessageBox.h"
#include "ui_CustomMenu.h"

#include <QHeaderView>

CCustomMenu::CCustomMenu(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CCustomMenu>())
{
    ui->setupUi(this);
    platform::setDialogWindowFlags(this);
    setWindowIcon(resourcePicture(128));
    m_listApps = ui->listApps;
    connect(ui->buttonAdd, &QPushButton::clicked, this, &CCustomMenu::OnBnClickedAdd);
    connect(ui->buttonEdit, &QPushButton::clicked, this, &CCustomMenu::OnBnClickedEdit);
    connect(ui->buttonDelete, &QPushButton::clicked, this, &CCustomMenu::OnBnClickedDelete);
    connect(ui->buttonMoveUp, &QPushButton::clicked, this, &CCustomMenu::OnBnClickedMoveUp);
    connect(ui->buttonMoveDown, &QPushButton::clicked, this, &CCustomMenu::OnBnClickedMoveDown);
    connect(ui->buttonOK, &QPushButton::clicked, this, &CCustomMenu::OnBnClickedOk);
    connect(ui->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_listApps, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> selected = m_listApps->selectedItems();
        OnLvnItemchangedList(selected.isEmpty() ? -1 : m_listApps->indexOfTopLevelItem(selected.back()));
    });
}

CCustomMenu::~CCustomMenu() = default;

bool CCustomMenu::OnInitDialog()
{
    m_iniMain.SetFileName(m_strMainIniPath);

    m_listApps->clear();
    m_listApps->setColumnCount(3);
    m_listApps->setHeaderLabels({QStringLiteral("标题"), QStringLiteral("应用程序"), QStringLiteral("参数")});
    const int widths[] = {85, 95, 100};
    for (int column = 0; column < 3; ++column) {
        m_listApps->setColumnWidth(column, widths[column]);
        m_listApps->headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
    }

    const QList<CustomAppRecord> rows = readCustomAppRows(m_iniMain);
    const qsizetype count = rows.size();
    ui->buttonAdd->setEnabled(count < kMaxCustomApps);
    ui->buttonEdit->setEnabled(count > 0);
    ui->buttonDelete->setEnabled(count > 0);
    ui->buttonMoveDown->setEnabled(count > 1);
    ui->buttonMoveUp->setEnabled(false);
    for (const CustomAppRecord& row : rows) {
        m_listApps->addTopLevelItem(new QTreeWidgetItem);
        SetRowTexts(m_listApps->GetItemCount() - 1, row.m_strTitle, row.m_strPath, row.m_strParams);
    }
    SelectRow(0);
    centreOn(this, m_pOwner);
    return true;
}

int CCustomMenu::DoModal()
{
    OnInitDialog();
    return runDialog(this);
}

void CCustomMenu::SetRowTexts(int row, const QString& title, const QString& path, const QString& parameters)
{
    QTreeWidgetItem* item = m_listApps->topLevelItem(row);
    item->setText(0, title);
    item->setText(1, path);
    item->setText(2, parameters);
}

int CCustomMenu::SelectedRow()
{
    int row = -1;
    for (int i = 0; i < m_listApps->GetItemCount(); ++i)
        if (m_listApps->topLevelItem(i)->isSelected())
            row = i;
    if (row < 0)
        platform::AfxMessageBox(this, QStringLiteral("Please select row."), platform::MB_OK);
    return row;
}

void CCustomMenu::SelectRow(int row)
{
    QTreeWidgetItem* item = m_listApps->topLevelItem(row);
    if (!item) {
        m_listApps->clearSelection();
        return;
    }
    m_listApps->setCurrentItem(item);
    m_listApps->clearSelection();
    item->setSelected(true);
}

void CCustomMenu::OnLvnItemchangedList(int item)
{
    const int count = m_listApps->GetItemCount();
    ui->buttonAdd->setEnabled(count < kMaxCustomApps);
    const bool any = item >= 0 && item < count;
    for (QPushButton* button : {ui->buttonEdit, ui->buttonDelete, ui->buttonMoveUp, ui->buttonMoveDown})
        button->setEnabled(any);
    if (!any)
        return;
    ui->buttonMoveUp->setEnabled(item > 0);
    ui->buttonMoveDown->setEnabled(item < count - 1);
}

void CCustomMenu::OnBnClickedAdd()
{
    const int count = m_listApps->GetItemCount();
    // The box menu has room for seven.
    if (count >= kMaxCustomApps)
        return;
    CAEApp app(this);
    if (app.DoModal() != QDialog::Accepted)
        return;
    m_listApps->insertTopLevelItem(count, new QTreeWidgetItem);
    SetRowTexts(count, app.m_strTitle, app.m_strPath, app.m_strParameters);
    if (count >= kMaxCustomApps - 1)
        ui->buttonAdd->setEnabled(false);
    if (count > 0)
        ui->buttonMoveUp->setEnabled(true);
    ui->buttonEdit->setEnabled(true);
    ui->buttonDelete->setEnabled(true);
    SelectRow(count);
}

void CCustomMenu::OnBnClickedEdit()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    CAEApp app(this);
    app.m_strTitle = m_listApps->GetItemText(row, 0);
    app.m_strPath = m_listApps->GetItemText(row, 1);
    app.m_strParameters = m_listApps->GetItemText(row, 2);
    if (app.DoModal() != QDialog::Accepted)
        return;
    SetRowTexts(row, app.m_strTitle, app.m_strPath, app.m_strParameters);
}

void CCustomMenu::OnBnClickedDelete()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    delete m_listApps->takeTopLevelItem(row);
    const int count = m_listApps->GetItemCount();
    if (count < kMaxCustomApps)
        ui->buttonAdd->setEnabled(true);
    if (count == 0) {
        ui->buttonEdit->setEnabled(false);
        ui->buttonDelete->setEnabled(false);
    }
    SelectRow(row > 0 ? row - 1 : 0);
}

void CCustomMenu::OnBnClickedMoveUp()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    m_listApps->MoveItem(row, row - 1);
    SelectRow(row - 1 >= 0 ? row - 1 : 0);
}

void CCustomMenu::OnBnClickedMoveDown()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    m_listApps->MoveItem(row, row + 2);
    SelectRow(row + 2 < m_listApps->GetItemCount() ? row + 1 : m_listApps->GetItemCount() - 1);
}

void CCustomMenu::OnBnClickedOk()
{
    QList<CustomAppRecord> rows;
    for (int i = 0; i < m_listApps->GetItemCount(); ++i)
        rows.append(CustomAppRecord{m_listApps->GetItemText(i, 0), m_listApps->GetItemText(i, 1),
                                    m_listApps->GetItemText(i, 2)});
    // Rows that could not be stored stay in the list, to be saved again or
    // dropped with Cancel.
    if (!writeCustomApps(m_iniMain, rows)) {
        warnUnsavedSettings(this, m_iniMain.FileName());
        return;
    }
    accept();
}
