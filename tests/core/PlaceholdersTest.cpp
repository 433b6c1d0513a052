#include "core/Placeholders.h"

#include <gtest/gtest.h>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

BoxSnapshot makeBox(int method, const char* text, const char* address, uint32_t port = 0,
                    int status = STATUS_UP)
{
    BoxSnapshot box;
    box.VerifyMetod = method;
    box.Text = utf8(text);
    box.IPAdress = utf8(address);
    box.Port = port;
    box.m_nStatus = status;
    return box;
}

const PlaceholderSet kBothSets[] = {PlaceholderSet::CustomApplication, PlaceholderSet::Notification};

const char* setName(PlaceholderSet set)
{
    return set == PlaceholderSet::Notification ? "notification" : "custom application";
}

} // namespace

// Values that do not depend on the order of the steps: both sets give them.
TEST(Placeholders, EachPlaceholderTakesTheValueOfItsMethod)
{
    const struct
    {
        int method;
        const char* text;
        const char* address;
        uint32_t port;
        const char* templ;
        const char* expected;
    } cases[] = {
        {METHOD_TCP, "Mail Server", "10.0.0.5", 25, "%name %ip:%port", "Mail-Server 10.0.0.5:25"},
        {METHOD_TCP, "Mail Server", "10.0.0.5", 25, "%method|%url|%text", "TCP|N/A|Mail-Server"},
        {METHOD_TCP, "T", "10.0.0.5", 0xFFFFFFFF, "%port", "-1"},
        {METHOD_TCP, "T", "10.0.0.5", 65535, "%port", "65535"},
        {METHOD_PING, "PC", "10.0.0.9", 80, "%port|%url|%method|%ip", "N/A|N/A|Ping|10.0.0.9"},
        {METHOD_PING, "PC", "fe80::1%2", 0, "[%ip]", "[fe80::1%2]"},
        {METHOD_URL, "Web", "http://10.0.0.7:8080/x", 0, "%ip %port", "10.0.0.7 8080"},
        {METHOD_URL, "Web", "http://10.0.0.7:8080/x", 0, "%method %url", "URL http://10.0.0.7:8080/x"},
        {METHOD_URL, "Web", "http://example.com/", 0, "%ip:%port", "example.com:80"},
        {METHOD_URL, "Web", "https://example.com/a", 0, "%ip:%port", "example.com:443"},
        {METHOD_URL, "Web", "ftp://files.example.com/pub", 0, "%ip:%port", "files.example.com:21"},
        {METHOD_URL, "Web", "https://user:pw@[::1]:8443/", 0, "%ip|%port", "::1|8443"},
        {METHOD_URL, "Web", "not a url", 0, "[%ip]|%url", "[]|not a url"},
        // A box of no known method has no method word and no URL.
        {0, "Odd", "10.1.1.1", 0, "[%method]|%ip|%url", "[]|10.1.1.1|N/A"},
        // Every blank of the name becomes "-", other characters stay.
        {METHOD_PING, "  a  b c ", "h", 0, "%name/%text", "--a--b-c-/--a--b-c-"},
        {METHOD_PING, "Zürich Büro", "h", 0, "%name", "Zürich-Büro"},
        // Every occurrence is replaced.
        {METHOD_TCP, "A", "h", 7, "%ip%ip %port,%port", "hh 7,7"},
        // Placeholders are case-sensitive.
        {METHOD_TCP, "A", "h", 7, "%IP %Name %PORT %Status %URL %Method %TEXT",
         "%IP %Name %PORT %Status %URL %Method %TEXT"},
        // A text without placeholders is left alone.
        {METHOD_TCP, "A", "h", 7, "ping -c 4 100% host", "ping -c 4 100% host"},
        {METHOD_TCP, "A", "h", 7, "", ""},
    };
    for (const auto& c : cases)
        for (PlaceholderSet set : kBothSets) {
            SCOPED_TRACE(::testing::Message() << c.templ << " / " << c.address << " / " << setName(set));
            const BoxSnapshot box = makeBox(c.method, c.text, c.address, c.port);
            EXPECT_EQ(expandPlaceholders(utf8(c.templ), box, set, QStringLiteral("NOW")), utf8(c.expected));
        }
}

TEST(Placeholders, StatusHasOneWordWithoutBlanksPerStatus)
{
    const struct
    {
        int status;
        int method;
        const char* expected;
    } cases[] = {
        {STATUS_UP, METHOD_PING, "Up"},
        {STATUS_UP, METHOD_URL, "Up"},
        {STATUS_UP, METHOD_TCP, "Open"},
        {STATUS_DOWN, METHOD_PING, "Down"},
        {STATUS_DOWN, METHOD_TCP, "Down"},
        {STATUS_DOWN, METHOD_URL, "Down"},
        {STATUS_CLOSE, METHOD_TCP, "Close"},
        {STATUS_CLOSE, METHOD_PING, ""},
        {STATUS_CLOSE, METHOD_URL, ""},
        {STATUS_NET_ERROR, METHOD_PING, "NETERROR"},
        {STATUS_NET_ERROR, METHOD_TCP, "NETERROR"},
        {STATUS_NET_ERROR, METHOD_URL, "NETERROR"},
        {STATUS_IP_ERROR, METHOD_PING, "IPERROR"},
        {STATUS_IP_ERROR, METHOD_TCP, "IPERROR"},
        {STATUS_IP_ERROR, METHOD_URL, "URLERROR"},
        {STATUS_CHECKING, METHOD_PING, "CHECKING"},
        {STATUS_CHECKING, METHOD_URL, "CHECKING"},
        {STATUS_DISABLED, METHOD_TCP, "DISABLED"},
        {STATUS_UNKNOWN, METHOD_PING, ""},
        {STATUS_UNKNOWN, METHOD_TCP, ""},
    };
    for (const auto& c : cases)
        for (PlaceholderSet set : kBothSets) {
            SCOPED_TRACE(::testing::Message()
                         << "status " << c.status << ", method " << c.method << ", " << setName(set));
            const BoxSnapshot box = makeBox(c.method, "B", "http://h/", 80, c.status);
            EXPECT_EQ(expandPlaceholders(QStringLiteral("[%status]"), box, set),
                      QStringLiteral("[%1]").arg(utf8(c.expected)));
        }
}

// Each placeholder is replaced in the result of the steps before it, so a
// value that holds a later placeholder is expanded again, an earlier one not.
TEST(Placeholders, ValuesHoldingPlaceholdersFollowTheOrderOfTheSteps)
{
    using enum PlaceholderSet;
    const struct
    {
        std::vector<PlaceholderSet> sets;
        int method;
        const char* text;
        const char* address;
        const char* templ;
        const char* now;
        const char* expected;
    } cases[] = {
        // %name comes before %url.
        {{CustomApplication, Notification},
         METHOD_URL,
         "%url",
         "http://h:81/p",
         "%name",
         "",
         "http://h:81/p"},
        {{CustomApplication, Notification}, METHOD_PING, "%url", "10.0.0.1", "%text", "", "N/A"},
        // %ip comes first: a name with "%ip" stays, an address with "%name" gets the name.
        {{CustomApplication, Notification}, METHOD_PING, "%ip", "10.0.0.1", "%name", "", "%ip"},
        {{CustomApplication, Notification}, METHOD_PING, "PC one", "%name.lan", "%ip", "", "PC-one.lan"},
        {{CustomApplication, Notification},
         METHOD_TCP,
         "T",
         "%status/%method/%port",
         "%ip",
         "",
         "Open/TCP/25"},
        {{CustomApplication, Notification}, METHOD_URL, "W", "http://h/%ip", "%url", "", "http://h/%ip"},
        // Custom applications: %name, then %text; notifications: %text, then %name.
        {{CustomApplication}, METHOD_PING, "%name%text", "h", "%name", "", "%name%name%text"},
        {{Notification}, METHOD_PING, "%name%text", "h", "%name", "", "%name%text"},
        // %time only for notifications, after %name and before %url.
        {{CustomApplication}, METHOD_PING, "P", "h", "%time", "12/07/26 16:05:09", "%time"},
        {{CustomApplication}, METHOD_PING, "%time", "h", "%name", "12/07/26 16:05:09", "%time"},
        {{Notification}, METHOD_PING, "P", "h", "at %time", "12/07/26 16:05:09", "at 12/07/26 16:05:09"},
        {{Notification}, METHOD_PING, "%time", "h", "%name", "12/07/26 16:05:09", "12/07/26 16:05:09"},
        {{Notification}, METHOD_PING, "P", "%time", "%ip", "NOW", "NOW"},
        {{Notification}, METHOD_URL, "P", "http://h/", "%time", "%url", "http://h/"},
        {{Notification}, METHOD_PING, "P", "h", "%time", "%name", "%name"},
    };
    for (const auto& c : cases)
        for (PlaceholderSet set : c.sets) {
            SCOPED_TRACE(::testing::Message() << c.templ << " with name " << c.text << ", address "
                                              << c.address << ", " << setName(set));
            const BoxSnapshot box = makeBox(c.method, c.text, c.address, 25);
            EXPECT_EQ(expandPlaceholders(utf8(c.templ), box, set, utf8(c.now)), utf8(c.expected));
        }
}
