// Web pages decoded by the charset the server or the page declares.
#include "platform/files/TextCodec.h"

#include "LoopbackServer.h"
#include "core/NetProbe.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

QByteArray encoded(const char* charset, const QString& text)
{
    QStringEncoder encoder(charset);
    EXPECT_TRUE(encoder.isValid()) << charset;
    return encoder.encode(text);
}

const QString kCafe = QStringLiteral("<html><body>Le café est ouvert</body></html>");
const QString kRussian = QStringLiteral("<html><body>Сервер работает</body></html>");

TEST(PageCharset, TheHeaderDeclaresLatin1)
{
    const QByteArray page = encoded("ISO-8859-1", kCafe);
    ASSERT_TRUE(page.contains("caf\xE9"));
    EXPECT_EQ(platform::declaredCharset(page, "text/html; charset=ISO-8859-1"), "iso-8859-1");
    EXPECT_TRUE(platform::decodePage(page, "text/html; charset=ISO-8859-1").contains(QStringLiteral("café")));
    EXPECT_TRUE(platform::decodePage(page, "text/html;charset=\"latin1\"").contains(QStringLiteral("café")));
}

TEST(PageCharset, ThePageDeclaresWindows1251)
{
    const QString meta = QStringLiteral("<head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                                        "charset=windows-1251\"></head>");
    const QByteArray page = encoded("windows-1251", meta + kRussian);
    EXPECT_EQ(platform::declaredCharset(page, "text/html"), "windows-1251");
    EXPECT_TRUE(platform::decodePage(page, "text/html").contains(QStringLiteral("Сервер работает")));
    // The short form of HTML5.
    const QByteArray short5 =
        encoded("windows-1251", QStringLiteral("<meta charset='Windows-1251'>") + kRussian);
    EXPECT_EQ(platform::declaredCharset(short5, QByteArray()), "windows-1251");
    EXPECT_TRUE(platform::decodePage(short5, QByteArray()).contains(QStringLiteral("Сервер работает")));
}

TEST(PageCharset, AnUndeclaredGbkPageIsReadAsGb18030)
{
    const QString text = QStringLiteral("<html><body>系统运行正常</body></html>");
    const QByteArray page = encoded("GBK", text);
    EXPECT_TRUE(platform::declaredCharset(page, "text/html").isEmpty());
    EXPECT_EQ(platform::decodePage(page, "text/html"), text);
    // Valid UTF-8 with no declaration is UTF-8.
    EXPECT_EQ(platform::decodePage(text.toUtf8(), QByteArray()), text);
}

TEST(PageCharset, TheHeaderWinsOverThePage)
{
    // The page says UTF-8 but is sent, and written, as Windows-1251.
    const QByteArray page = encoded("windows-1251", QStringLiteral("<meta charset=\"utf-8\">") + kRussian);
    EXPECT_EQ(platform::declaredCharset(page, "text/html; charset=windows-1251"), "windows-1251");
    EXPECT_TRUE(platform::decodePage(page, "text/html; charset=windows-1251")
                    .contains(QStringLiteral("Сервер работает")));
}

TEST(PageCharset, DeclarationsBeyondTheFirstKilobyteOrUnknownCountAsNone)
{
    const QByteArray late = QByteArray(1100, ' ') + "<meta charset=\"windows-1251\">" + "\xD1\xE5";
    EXPECT_TRUE(platform::declaredCharset(late, QByteArray()).isEmpty());
    const QByteArray text = QStringLiteral("naïve").toUtf8();
    EXPECT_EQ(platform::decodePage(text, "text/html; charset=no-such-charset"), QStringLiteral("naïve"));
}

// The URL check finds a phrase with an accent in a Latin-1 page.
TEST(PageCharset, TheUrlCheckFindsThePhraseOfALatin1Page)
{
    const QByteArray body = encoded("ISO-8859-1", kCafe);
    const QByteArray response = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=iso-8859-1\r\n"
                                "Content-Length: " +
                                QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    test::LoopbackServer server(response);
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(server.port()) + "/";
    CNetProbe probe;
    EXPECT_EQ(probe.CheckUrl(url, QStringLiteral("café")), STATUS_UP) << probe.m_dwLastError;
}

} // namespace
