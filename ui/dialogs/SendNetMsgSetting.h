#pragma once

#include "core/IniFile.h"

#include <QDialog>
#include <QIcon>
#include <QString>

#include <memory>

namespace Ui {
class CSendNetMsgSetting;
}

// The network message command and its parameter template. The opener sets
// both and the configuration file before the run and takes them back after
// OK, which stores them in that file first.
class CSendNetMsgSetting : public QDialog
{
    Q_OBJECT
public:
    explicit CSendNetMsgSetting(QWidget* parent = nullptr);
    ~CSendNetMsgSetting() override;

    bool OnInitDialog();
    // Runs the dialog modal to its opener; IDOK-like QDialog::Accepted or Rejected.
    int DoModal();
    void OnBnClickedBrowse();
    void OnBnClickedDefault();
    void OnOK();

    QString m_strCommand;
    QString m_strParameters;
    CIniFile* m_pIniConfig = nullptr;
    QIcon m_hOKIcon;
    QIcon m_hCancelIcon;

private:
    std::unique_ptr<Ui::CSendNetMsgSetting> ui;
    void DoDataExchange(bool save);
};
