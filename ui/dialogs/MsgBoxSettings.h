#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class CMsgBoxSettings;
}

// The description text of a box's notification message box, with a Test that
// shows a sample of that message box. The opener fills the values, calls
// OnInitDialog, runs the dialog and reads the text back after OK.
// Controls: editDescription 1052, buttonTest 1187.
class CMsgBoxSettings : public QDialog
{
    Q_OBJECT
public:
    explicit CMsgBoxSettings(QWidget* parent = nullptr);
    ~CMsgBoxSettings() override;

    bool OnInitDialog();
    // Values to controls (false) or controls to values (true).
    void DoDataExchange(bool save);
    void OnBnClickedTest();
    void OnOK();

    // The sample message for a description, box name, date and time.
    static QString SampleMessage(const QString& description, const QString& boxName, const QString& date,
                                 const QString& time);

    QString m_strBoxName;
    QString m_strDescription; // MsgBoxDesc

private:
    std::unique_ptr<Ui::CMsgBoxSettings> m_ui;
};
