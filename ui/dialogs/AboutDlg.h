#pragma once

#include <QDialog>

class CColorStatic;
class QLabel;
class QPushButton;

// The About dialog: the program's name and version, its two links and a
// line in dark red.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    void SetInstance(int instance) { m_nInstance = instance; }
    bool OnInitDialog();
    // Centres the dialog's frame on the desktop.
    void CentreOnScreen();
    // Opens a link's address with the desktop.
    void OnNMClickSyslink(const QString& address);

    static QString HomePage();
    static QString MailAddress();

    QLabel* m_ctlName = nullptr; // 1039
    QLabel* m_ctlVersion = nullptr;
    QLabel* m_ctlHome = nullptr;       // 1037
    QLabel* m_ctlMail = nullptr;       // 1038
    CColorStatic* m_ctlLine = nullptr; // 1178
    QPushButton* m_btnOK = nullptr;    // 1

protected:
    void showEvent(QShowEvent* event) override;

private:
    int m_nInstance = 0;
};
