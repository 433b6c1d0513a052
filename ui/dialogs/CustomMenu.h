#pragma once

#include "core/IniFile.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <memory>

class CListCtrlEx;

namespace Ui {
class CCustomMenu;
}

// The custom applications of the box menu: a list of up to seven rows that
// can be added, edited, deleted and moved. OK writes them to "Main.ini";
// the opener sets its path before every run and reads the rows again after
// OK.
class CCustomMenu : public QDialog
{
    Q_OBJECT
public:
    explicit CCustomMenu(QWidget* parent = nullptr);
    ~CCustomMenu() override;

    bool OnInitDialog();
    // Runs the dialog while the strip stays usable.
    int DoModal();
    void OnBnClickedAdd();
    void OnBnClickedEdit();
    void OnBnClickedDelete();
    void OnBnClickedMoveUp();
    void OnBnClickedMoveDown();
    void OnBnClickedOk();
    // A row's selection changed; `item` is the selected row, -1 for none.
    void OnLvnItemchangedList(int item);

    QString m_strMainIniPath;
    CIniFile m_iniMain;
    // The window the dialog is centred on.
    QPointer<QWidget> m_pOwner;
    CListCtrlEx* m_listApps = nullptr;

private:
    std::unique_ptr<Ui::CCustomMenu> ui;
    // The selected row, or -1 after saying that none is.
    int SelectedRow();
    void SelectRow(int row);
    void SetRowTexts(int row, const QString& title, const QString& path, const QString& parameters);
};
