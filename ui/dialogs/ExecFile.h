#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>

namespace Ui {
class CExecFile;
}

// The program a box runs when its status changes: the file, its parameters
// with placeholders, the statuses that run it, how many reports of a status
// it waits for, and whether it runs hidden. The opener fills the values,
// calls OnInitDialog, runs the dialog and reads the values back after OK.
// Controls: editFile 1052, buttonBrowse 1161, editParameters 1062, checkUp
// 1162, checkDown 1103, checkClose 1158, checkIpError 1159, checkNetError
// 1160, labelStatusIpError 1201, spinCount 1184 with 1185, checkRunHidden
// 1167, buttonTest 1010.
class CExecFile : public QDialog
{
    Q_OBJECT
public:
    // The status flags, in the order of the bits of ExecFileStatusCheck
    // (flag i is bit 2^i).
    enum StatusFlag
    {
        FLAG_UP,
        FLAG_DOWN,
        FLAG_CLOSE,
        FLAG_IP_ERROR,
        FLAG_NET_ERROR,
        FLAG_COUNT
    };

    explicit CExecFile(QWidget* parent = nullptr);
    ~CExecFile() override;

    static std::array<int, FLAG_COUNT> FlagsFromMask(int32_t mask);
    static int32_t MaskFromFlags(const std::array<int, FLAG_COUNT>& flags);

    bool OnInitDialog();
    // Values to controls (false) or controls to values (true).
    void DoDataExchange(bool save);

    void OnBnClickedBrowse();
    void OnBnClickedTest();
    void OnBnClickedStatus();
    // An arrow click that moved the count to `position`.
    void OnDeltaposCountSpin(qint64 position);
    // Typing in the count edit.
    void OnEnUpdateCount();
    void OnOK();

    // The balloon text for a count at an interval of seconds.
    static QString CountBalloonText(uint64_t interval, uint64_t count);
    // The arguments the Test passes: the parameters split as a command line,
    // then the sample values put into each argument. `now` stands for "%time".
    QStringList SampleArguments(const QString& now) const;
    // The program picker's filter rows.
    static QString ProgramFileFilter();

    // The values.
    QString m_strFile;                       // ExecFilePath
    QString m_strParameters;                 // ExecFileParam
    std::array<int, FLAG_COUNT> m_bStatus{}; // ExecFileStatusCheck
    int m_nMethod = 0;
    QString m_strBoxName; // sample for "%name" and "%text"
    uint32_t m_nPort = 0; // sample for "%port" of a TCP box
    QString m_strTarget;
    uint32_t m_nCount = 0; // nEF
    QString m_strCount;
    uint32_t m_nInterval = 1; // seconds, for the balloon only
    int m_bRunHidden = 0;     // RunHideMode

private:
    void ShowCountBalloon();

    std::unique_ptr<Ui::CExecFile> m_ui;
};
