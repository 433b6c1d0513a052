#pragma once

#include <QString>

#include <cstdint>

// Access to one INI file by path. Every call goes to the file: a value written
// is seen at once by every other CIniFile on the same path. A file that has a
// platform::ProfileWriter is written through it: a write returns at once, and
// reads give the writes it has not written yet.
class CIniFile
{
public:
    // The most characters (UTF-16 units) a string value comes back with: a
    // longer value is read cut to this many, so fields that edit stored text
    // take no more.
    static constexpr int kMaxValueChars = 255;

    CIniFile() = default;
    virtual ~CIniFile() = default;

    void SetFileName(const QString& path) { m_strPath = path; }
    const QString& FileName() const { return m_strPath; }
    bool FileExists() const;

    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteInt(const QString& section, const QString& key, int32_t value);
    bool WriteDWORD(const QString& section, const QString& key, uint32_t value);

    int32_t GetInt(const QString& section, const QString& key, uint32_t defaultValue) const;
    uint32_t GetDWORD(const QString& section, const QString& key, uint32_t defaultValue) const;
    QString GetString(const QString& section, const QString& key, const QString& defaultValue) const;

private:
    // The value read into a buffer of 256 characters, so at most 255 of them.
    int readRaw(const QString& section, const QString& key, const QString& defaultValue,
                QString& result) const;

    QString m_strPath;
};
