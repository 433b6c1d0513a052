#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class CAEApp;
}

// Adds or edits one custom application: its title in the menu, the program
// and the parameter template. The opener sets the three values before the
// run and reads them after OK.
class CAEApp : public QDialog
{
    Q_OBJECT
public:
    explicit CAEApp(QWidget* parent = nullptr);
    ~CAEApp() override;

    bool OnInitDialog();
    // Runs the dialog modal to its opener.
    int DoModal();
    void OnBnClickedBrowse();

    QString m_strTitle;
    QString m_strPath;
    QString m_strParameters;

private:
    std::unique_ptr<Ui::CAEApp> ui;
    void DoDataExchange(bool save);
};
