#include "ui/KorvalenDlg.h"

#include <gtest/gtest.h>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// The parameters of custom applications and of the double click are expanded
// from the box record itself, with the custom-application placeholders.
TEST(ExpandMacros, ExpandsTheCustomApplicationPlaceholdersOfTheBox)
{
    const struct
    {
        int method;
        const char* text;
        const char* address;
        uint32_t port;
        int status;
        const char* templ;
        const char* expected;
    } cases[] = {
        {METHOD_TCP, "Mail Server", "10.0.0.5", 25, STATUS_UP, "%name %ip:%port", "Mail-Server 10.0.0.5:25"},
        {METHOD_TCP, "Mail Server", "10.0.0.5", 25, STATUS_CLOSE, "%method %status %url", "TCP Close N/A"},
        {METHOD_PING, "PC", "10.0.0.9", 25, STATUS_DOWN, "%port %status %text", "N/A Down PC"},
        {METHOD_URL, "Web", "http://10.0.0.7:8080/x", 0, STATUS_IP_ERROR, "%ip %port %status %url",
         "10.0.0.7 8080 URLERROR http://10.0.0.7:8080/x"},
        // No %time here, and %name before %text.
        {METHOD_PING, "%time", "h", 0, STATUS_UP, "%name", "%time"},
        {METHOD_PING, "%name%text", "h", 0, STATUS_UP, "%name", "%name%name%text"},
        {METHOD_URL, "%url", "https://example.com/", 0, STATUS_UP, "%name", "https://example.com/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.templ);
        BoxRecord box(nullptr, 0);
        box.VerifyMetod = c.method;
        box.Text = QString::fromUtf8(c.text);
        box.IPAdress = QString::fromUtf8(c.address);
        box.Port = c.port;
        box.m_nStatus = c.status;
        EXPECT_EQ(CKorvalenDlg::ExpandMacros(QString::fromUtf8(c.templ), &box),
                  QString::fromUtf8(c.expected));
    }
}
