#include "IniFile.h"

#include "platform/WinNumbers.h"
#include "platform/files/PrivateProfile.h"
#include "platform/files/ProfileWriter.h"

namespace {
constexpr int kBufferChars = CIniFile::kMaxValueChars + 1;
}

bool CIniFile::FileExists() const
{
    return platform::PathFileExists(m_strPath);
}

bool CIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    // A file with a writer of its own is written by it, later: its result
    // reaches whoever listens to the writer.
    if (platform::ProfileWriter* writer = platform::ProfileWriter::forPath(m_strPath)) {
        writer->write(section, key, value);
        return true;
    }
    return platform::WritePrivateProfileString(section, key, value, m_strPath);
}

bool CIniFile::WriteInt(const QString& section, const QString& key, int32_t value)
{
    return WriteString(section, key, QString::number(value));
}

bool CIniFile::WriteDWORD(const QString& section, const QString& key, uint32_t value)
{
    return WriteString(section, key, QString::number(value));
}

int CIniFile::readRaw(const QString& section, const QString& key, const QString& defaultValue,
                      QString& result) const
{
    if (const platform::ProfileWriter* writer = platform::ProfileWriter::forPath(m_strPath))
        if (std::optional<QString> pending = writer->pendingValue(section, key)) {
            result = pending->left(kBufferChars - 1);
            return int(result.size());
        }
    return platform::GetPrivateProfileString(section, key, defaultValue, result, kBufferChars, m_strPath);
}

int32_t CIniFile::GetInt(const QString& section, const QString& key, uint32_t defaultValue) const
{
    QString text;
    if (readRaw(section, key, QString::number(defaultValue), text) == 0)
        return 0;
    return platform::wtoi32(text);
}

uint32_t CIniFile::GetDWORD(const QString& section, const QString& key, uint32_t defaultValue) const
{
    QString text;
    if (readRaw(section, key, QString::number(defaultValue), text) == 0)
        return 0;
    return platform::wcstoul32(text);
}

QString CIniFile::GetString(const QString& section, const QString& key, const QString& defaultValue) const
{
    QString text;
    if (readRaw(section, key, defaultValue, text) > 0)
        return text;
    return QString();
}
