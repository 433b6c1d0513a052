#include "core/CustomApps.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

class CustomApps : public ::testing::Test
{
protected:
    uint32_t read(const QByteArray& text)
    {
        test::writeFile(path, text);
        CIniFile ini;
        ini.SetFileName(path);
        return readCustomApps(ini, apps);
    }

    test::ScopedEnvironment env;
    QString path = env.path() + QStringLiteral("/Main.ini");
    CustomAppArray apps;
};

QByteArray rows(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("[Row %1]\n标题=App %1\n应用程序=/opt/app%1\n参数=--n %1\n").arg(i);
    return text.toUtf8();
}

TEST_F(CustomApps, RowCountIsReadAsANumberAndCappedAtSeven)
{
    const struct
    {
        const char* nrows; // nullptr: no key
        uint32_t expected;
    } cases[] = {
        {"9", 7}, {"8", 7}, {"7", 7}, {"3", 3}, {"0x3", 3},
        {"1", 1}, {"0", 0}, {"", 0},  {"x", 0}, {nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nrows ? c.nrows : "(missing)");
        apps = CustomAppArray{};
        QByteArray text = "[Main]\n";
        if (c.nrows)
            text += "nrows=" + QByteArray(c.nrows) + "\n";
        const uint32_t count = read(text + rows(9));
        EXPECT_EQ(count, c.expected);
        for (uint32_t i = 0; i < kMaxCustomApps; ++i) {
            SCOPED_TRACE(i);
            if (i < c.expected) {
                EXPECT_EQ(apps[i].m_strTitle, QStringLiteral("App %1").arg(i));
                EXPECT_EQ(apps[i].m_strPath, QStringLiteral("/opt/app%1").arg(i));
                EXPECT_EQ(apps[i].m_strParams, QStringLiteral("--n %1").arg(i));
            } else {
                EXPECT_TRUE(apps[i].m_strTitle.isEmpty());
                EXPECT_TRUE(apps[i].m_strPath.isEmpty());
                EXPECT_TRUE(apps[i].m_strParams.isEmpty());
            }
        }
    }
}

TEST_F(CustomApps, MissingFileGivesNoRows)
{
    CIniFile ini;
    ini.SetFileName(path);
    EXPECT_EQ(readCustomApps(ini, apps), 0u);
    EXPECT_TRUE(apps[0].m_strTitle.isEmpty());
}

TEST_F(CustomApps, MissingTitleIsEmptyButAnEmptyTitleStaysEmpty)
{
    const uint32_t count = read("[Main]\nnrows=4\n"
                                "[Row 0]\n标题=Editor\n应用程序=/usr/bin/editor\n参数=%f\n"
                                "[Row 1]\n应用程序=/usr/bin/untitled\n"
                                "[Row 2]\n标题=\n应用程序=/usr/bin/blank\n"
                                "[Row 3]\n");
    ASSERT_EQ(count, 4u);
    EXPECT_EQ(apps[0].m_strTitle, QStringLiteral("Editor"));
    EXPECT_EQ(apps[0].m_strPath, QStringLiteral("/usr/bin/editor"));
    EXPECT_EQ(apps[0].m_strParams, QStringLiteral("%f"));

    EXPECT_EQ(apps[1].m_strTitle, QStringLiteral("Empty"));
    EXPECT_EQ(apps[1].m_strPath, QStringLiteral("/usr/bin/untitled"));
    EXPECT_TRUE(apps[1].m_strParams.isEmpty());

    EXPECT_TRUE(apps[2].m_strTitle.isEmpty());
    EXPECT_EQ(apps[2].m_strPath, QStringLiteral("/usr/bin/blank"));

    // A counted row without a section reads like a row without a title.
    EXPECT_EQ(apps[3].m_strTitle, QStringLiteral("Empty"));
    EXPECT_TRUE(apps[3].m_strPath.isEmpty());
    EXPECT_TRUE(apps[3].m_strParams.isEmpty());
}

TEST_F(CustomApps, ReadsAFileWrittenInTheChineseCodePage)
{
    // "标题", "应用程序" and "参数" in GB18030, as an 8-bit Windows file has them.
    const QByteArray title("\xB1\xEA\xCC\xE2");
    const QByteArray program("\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2");
    const QByteArray params("\xB2\xCE\xCA\xFD");
    const uint32_t count = read("[Main]\r\nnrows=1\r\n[Row 0]\r\n" + title + "=" + program + "\r\n" +
                                program + "=C:\\" + program + "\\run.exe\r\n" + params + "=/q\r\n");
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(apps[0].m_strTitle, QStringLiteral("应用程序"));
    EXPECT_EQ(apps[0].m_strPath, QStringLiteral("C:\\应用程序\\run.exe"));
    EXPECT_EQ(apps[0].m_strParams, QStringLiteral("/q"));
}

} // namespace
