#include "core/IniFile.h"

#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>

namespace {

class IniFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ini.SetFileName(path);
    }

    CIniFile fileWith(const QByteArray& bytes) const
    {
        test::writeFile(path, bytes);
        CIniFile file;
        file.SetFileName(path);
        return file;
    }

    QTemporaryDir m_dir;
    const QString path = m_dir.filePath(QStringLiteral("Main.ini"));
    CIniFile ini;
};

QByteArray utf16le(const QString& text)
{
    QByteArray out("\xFF\xFE");
    for (QChar c : text)
        out.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return out;
}

} // namespace

TEST_F(IniFile, MissingKeyOrFileGivesTheDefault)
{
    const QString missingFile = m_dir.filePath(QStringLiteral("absent.ini"));
    const QString existingFile = m_dir.filePath(QStringLiteral("other.ini"));
    test::writeFile(existingFile, "[Main]\nother=1\n");
    for (const QString& file : {missingFile, existingFile}) {
        SCOPED_TRACE(file.toStdString());
        CIniFile f;
        f.SetFileName(file);
        for (uint32_t def : {0u, 5u, 1234567u, uint32_t(INT32_MAX)}) {
            EXPECT_EQ(f.GetInt("Main", "key", def), int32_t(def)) << def;
            EXPECT_EQ(f.GetDWORD("Main", "key", def), def) << def;
            EXPECT_EQ(f.GetInt("Nowhere", "other", def), int32_t(def)) << def;
        }
        EXPECT_EQ(f.GetDWORD("Main", "key", UINT32_MAX), UINT32_MAX);
        EXPECT_EQ(f.GetDWORD("Main", "key", 0x80000000u), 0x80000000u);
        EXPECT_EQ(f.GetString("Main", "key", "default text"), "default text");
        EXPECT_EQ(f.GetString("Main", "key", QStringLiteral("默认")), QStringLiteral("默认"));
        EXPECT_EQ(f.GetString("Main", "key", ""), "");
        EXPECT_EQ(f.GetString("Main", "key", QString(300, u'd')), QString(255, u'd'));
    }
    EXPECT_FALSE(QFileInfo::exists(missingFile)) << "reading must not create the file";
}

TEST_F(IniFile, EmptyValueIsZeroAndEmptyWhateverTheDefault)
{
    const CIniFile f = fileWith("[Main]\nempty=\nblank=  \t\nquoted=\"\"\n");
    for (const char* key : {"empty", "blank", "quoted"}) {
        EXPECT_EQ(f.GetInt("Main", key, 7), 0) << key;
        EXPECT_EQ(f.GetDWORD("Main", key, 7), 0u) << key;
        EXPECT_EQ(f.GetString("Main", key, "not empty"), "") << key;
    }
}

TEST_F(IniFile, LongValuesAreCutTo255Characters)
{
    const QString chinese = QString(300, QChar(0x6587)); // 文
    const QString digits = QString(300, u'7');
    const CIniFile f = fileWith(QStringLiteral("[Main]\ntext=%1\nexact=%2\nnumber=%3\n")
                                    .arg(chinese, chinese.left(255), digits)
                                    .toUtf8());
    EXPECT_EQ(f.GetString("Main", "text", ""), chinese.left(255));
    EXPECT_EQ(f.GetString("Main", "exact", ""), chinese.left(255));
    EXPECT_EQ(f.GetInt("Main", "number", 0), INT32_MAX);
    EXPECT_EQ(f.GetDWORD("Main", "number", 0), UINT32_MAX);
}

TEST_F(IniFile, NumbersAreReadAsTheWindowsRuntimeReadsThem)
{
    const struct
    {
        const char* text;
        int32_t asInt;
        uint32_t asDword;
    } cases[] = {
        {"010", 10, 8u},
        {"0x1F", 0, 31u},
        {"0X1f", 0, 31u},
        {"080", 80, 0u},
        {"-5", -5, 4294967291u},
        {"-1", -1, UINT32_MAX},
        {"  42  ", 42, 42u},
        {"\"12\"", 12, 12u},
        {"'13'", 13, 13u},
        {"12abc", 12, 12u},
        {"abc", 0, 0u},
        {"+8", 8, 8u},
        {"2147483647", INT32_MAX, 2147483647u},
        {"2147483648", INT32_MAX, 2147483648u},
        {"4294967295", INT32_MAX, UINT32_MAX},
        {"4294967296", INT32_MAX, UINT32_MAX},
        {"-2147483648", INT32_MIN, 2147483648u},
        {"16699845", 16699845, 16699845u},
    };
    QByteArray text = "[Main]\n";
    for (size_t i = 0; i < std::size(cases); ++i)
        text += "k" + QByteArray::number(qulonglong(i)) + "=" + cases[i].text + "\n";
    const CIniFile f = fileWith(text);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const QString key = QStringLiteral("k%1").arg(i);
        EXPECT_EQ(f.GetInt("Main", key, 99), cases[i].asInt) << cases[i].text;
        EXPECT_EQ(f.GetDWORD("Main", key, 99), cases[i].asDword) << cases[i].text;
    }
}

TEST_F(IniFile, WrittenNumbersReadBack)
{
    for (int32_t value : {INT32_MIN, -5, -1, 0, 1, 42, INT32_MAX}) {
        ASSERT_TRUE(ini.WriteInt("Main", "int", value));
        EXPECT_EQ(ini.GetInt("Main", "int", 99), value);
        EXPECT_EQ(ini.GetDWORD("Main", "int", 99), uint32_t(value)) << value;
    }
    for (uint32_t value : {0u, 1u, 8u, 0x7FFFFFFFu, 0x80000000u, UINT32_MAX}) {
        ASSERT_TRUE(ini.WriteDWORD("Main", "dword", value));
        EXPECT_EQ(ini.GetDWORD("Main", "dword", 99), value);
    }
    ASSERT_TRUE(ini.WriteInt("Main", "minus", -5));
    EXPECT_EQ(ini.GetInt("Main", "minus", 0), -5);
    EXPECT_EQ(ini.GetDWORD("Main", "minus", 0), 4294967291u);
    EXPECT_EQ(test::readFile(path), "[Main]\nint=2147483647\ndword=4294967295\nminus=-5\n");
}

TEST_F(IniFile, EmptyStringIsWrittenAsAnEmptyValue)
{
    ASSERT_TRUE(ini.WriteString("Main", "key", "before"));
    ASSERT_TRUE(ini.WriteString("Main", "key", ""));
    ASSERT_TRUE(ini.WriteString("Main", "fresh", ""));
    EXPECT_EQ(test::readFile(path), "[Main]\nkey=\nfresh=\n");
    EXPECT_EQ(ini.GetString("Main", "key", "default"), "");
    EXPECT_EQ(ini.GetString("Main", "fresh", "default"), "");
    EXPECT_EQ(ini.GetInt("Main", "key", 3), 0);
}

TEST_F(IniFile, EveryWrittenStringReadsBack)
{
    const QString values[] = {
        "",
        "plain",
        " leading",
        "trailing ",
        "  both  ",
        "\tTab\t",
        "\"quoted\"",
        "'single'",
        "\"",
        "'",
        "\"\"",
        "''",
        "a\"",
        "\"a",
        "it's",
        "a=b",
        "=",
        "==x==",
        ";semicolon",
        "# hash",
        "[Section]",
        "[",
        "]",
        "C:\\Program Files\\App\\app.exe",
        "%APPDATA%\\x",
        QStringLiteral("中文"),
        QStringLiteral(" 记事本 "),
        QStringLiteral("标题=参数"),
        QString(255, u'x'),
        QString(255, QChar(0x4E2D)),
        QStringLiteral("🙂 emoji"),
    };
    // All in one file, so that no value disturbs another.
    for (size_t i = 0; i < std::size(values); ++i)
        ASSERT_TRUE(ini.WriteString("Main", QStringLiteral("k%1").arg(i), values[i]));
    for (size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(ini.GetString("Main", QStringLiteral("k%1").arg(i), "default"), values[i]) << i;

    // And each rewritten in place over a value of another shape.
    for (size_t i = 0; i < std::size(values); ++i) {
        const QString key = QStringLiteral("k%1").arg(i);
        ASSERT_TRUE(ini.WriteString("Main", key, values[std::size(values) - 1 - i]));
        EXPECT_EQ(ini.GetString("Main", key, "default"), values[std::size(values) - 1 - i]) << i;
    }
    EXPECT_EQ(test::keysInOrder(path).size(), qsizetype(std::size(values)));
}

TEST_F(IniFile, FilesMadeOnWindowsAreRead)
{
    const QString text = QStringLiteral("[Main]\r\n"
                                        "nrows=2\r\n"
                                        "[App0]\r\n"
                                        "标题=记事本\r\n"
                                        "应用程序=C:\\Windows\\notepad.exe\r\n"
                                        "参数= \"-n 中文\" \r\n");
    const struct
    {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"UTF-16LE", utf16le(text)},
        {"GB18030", QByteArray::fromHex("5b4d61696e5d0d0a6e726f77733d320d0a5b417070305d0d0a"
                                        "b1eacce23dbcc7cac2b1be0d0a"
                                        "d3a6d3c3b3ccd0f23d433a5c57696e646f77735c6e6f74657061642e6578650d0a"
                                        "b2cecafd3d20222d6e20d6d0cec422200d0a")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CIniFile f = fileWith(c.bytes);
        for (int pass = 0; pass < 2; ++pass) {
            EXPECT_EQ(f.GetDWORD("Main", "nrows", 0), 2u);
            EXPECT_EQ(f.GetString("app0", QStringLiteral("标题"), "Empty"), QStringLiteral("记事本"));
            EXPECT_EQ(f.GetString("App0", QStringLiteral("应用程序"), ""),
                      QStringLiteral("C:\\Windows\\notepad.exe"));
            EXPECT_EQ(f.GetString("App0", QStringLiteral("参数"), ""), QStringLiteral("-n 中文"));
            // After a write of its own the file still reads the same.
            ASSERT_TRUE(f.WriteString("App0", QStringLiteral("标题"), QStringLiteral("记事本")));
            ASSERT_TRUE(f.WriteInt("Main", "written", pass));
            EXPECT_EQ(f.GetInt("Main", "written", 9), pass);
        }
    }
}

TEST_F(IniFile, ValuesWrittenThroughOneObjectAreSeenByAnother)
{
    CIniFile other;
    other.SetFileName(path);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(ini.WriteInt("Main", "counter", i));
        EXPECT_EQ(other.GetInt("Main", "counter", 99), i);
        ASSERT_TRUE(other.WriteString("Main", "echo", QString::number(i)));
        EXPECT_EQ(ini.GetString("Main", "echo", ""), QString::number(i));
    }
}

TEST_F(IniFile, FileExists)
{
    EXPECT_FALSE(ini.FileExists());
    EXPECT_FALSE(ini.GetString("Main", "k", "d").isEmpty());
    EXPECT_FALSE(ini.FileExists()) << "a read must not create the file";
    ASSERT_TRUE(ini.WriteString("Main", "k", "v"));
    EXPECT_TRUE(ini.FileExists());

    CIniFile folder;
    folder.SetFileName(m_dir.path());
    EXPECT_TRUE(folder.FileExists());
    CIniFile unnamed;
    EXPECT_FALSE(unnamed.FileExists());
    CIniFile inMissingFolder;
    inMissingFolder.SetFileName(m_dir.filePath(QStringLiteral("no/such/Main.ini")));
    EXPECT_FALSE(inMissingFolder.FileExists());
    EXPECT_FALSE(inMissingFolder.WriteString("Main", "k", "v"));
    EXPECT_FALSE(inMissingFolder.FileExists());
}
