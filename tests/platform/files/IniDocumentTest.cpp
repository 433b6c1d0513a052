#include "platform/files/IniDocument.h"

#include <gtest/gtest.h>

#include <random>

using platform::IniDocument;

namespace {

QByteArray bytes(const char* text)
{
    return QByteArray(text);
}

std::optional<QString> valueIn(const QByteArray& file, const QString& section, const QString& key)
{
    return IniDocument::parse(file).value(section, key);
}

QByteArray afterWrite(const QByteArray& file, const QString& section, const QString& key,
                      const QString& value)
{
    IniDocument doc = IniDocument::parse(file);
    doc.setValue(section, key, value);
    return doc.serialize();
}

QByteArray utf16le(const QString& text, bool bom = true)
{
    QByteArray out = bom ? QByteArray("\xFF\xFE") : QByteArray();
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

std::string show(const QByteArray& b)
{
    return b.toPercentEncoding(" =[];\"'").toStdString();
}

} // namespace

TEST(IniDocument, MatchesSectionAndKeyNamesWithoutRegardToCase)
{
    const QByteArray file = QStringLiteral("[Main]\n"
                                           "Key=1\n"
                                           "  Spaced Key  = 2\n"
                                           "[ Ärger ]\n"
                                           "Öl=3\n"
                                           "[自定义]\n"
                                           "标题=4\n")
                                .toUtf8();
    const IniDocument doc = IniDocument::parse(file);
    const struct
    {
        const char* section;
        const char* key;
        std::optional<QString> expected;
    } cases[] = {
        {"Main", "Key", QStringLiteral("1")},
        {"main", "KEY", QStringLiteral("1")},
        {"MAIN", "kEy", QStringLiteral("1")},
        {"main", "spaced key", QStringLiteral("2")},
        {" main ", " key ", QStringLiteral("1")},
        {"ärger", "öL", QStringLiteral("3")},
        {"ÄRGER", "ÖL", QStringLiteral("3")},
        {"自定义", "标题", QStringLiteral("4")},
        {"Main", "Missing", std::nullopt},
        {"Missing", "Key", std::nullopt},
        {"Main", "Öl", std::nullopt},
        {"Ärger", "Key", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(doc.value(QString::fromUtf8(c.section), QString::fromUtf8(c.key)), c.expected)
            << c.section << "/" << c.key;
}

TEST(IniDocument, TrimsBlanksAndRemovesOnePairOfEnclosingQuotes)
{
    const struct
    {
        const char* line;
        const char* expected;
    } cases[] = {
        {"k=v", "v"},
        {"k=  a b  ", "a b"},
        {"k = v", "v"},
        {"k=\t v \t", "v"},
        {"k=\"x\"", "x"},
        {"k='y'", "y"},
        {"k=  \" padded \"  ", " padded "},
        {"k=\"\"", ""},
        {"k=''", ""},
        {"k=\"\"x\"\"", "\"x\""},
        {"k=''x''", "'x'"},
        {"k=\"a'", "\"a'"},
        {"k='a\"", "'a\""},
        {"k=\"", "\""},
        {"k='", "'"},
        {"k=\"a", "\"a"},
        {"k=a\"", "a\""},
        {"k=a \"b\" c", "a \"b\" c"},
        {"k=", ""},
        {"k=a=b", "a=b"},
        {"k=;not a comment", ";not a comment"},
    };
    for (const auto& c : cases) {
        const QByteArray file = "[s]\n" + QByteArray(c.line) + "\n";
        EXPECT_EQ(valueIn(file, "s", "k"), QString::fromUtf8(c.expected)) << c.line;
    }
}

TEST(IniDocument, FirstOfDuplicateSectionsAndKeysWins)
{
    const QByteArray file = bytes("[a]\n"
                                  "k=1\n"
                                  "K=2\n"
                                  "[b]\n"
                                  "k=b\n"
                                  "[A]\n"
                                  "k=3\n"
                                  "only=second\n");
    EXPECT_EQ(valueIn(file, "a", "k"), QStringLiteral("1"));
    EXPECT_EQ(valueIn(file, "b", "k"), QStringLiteral("b"));
    EXPECT_EQ(valueIn(file, "a", "only"), std::nullopt);

    // A write goes to the first key of the first section, and a new key joins
    // the first section.
    EXPECT_EQ(afterWrite(file, "A", "k", "9"), bytes("[a]\n"
                                                     "k=9\n"
                                                     "K=2\n"
                                                     "[b]\n"
                                                     "k=b\n"
                                                     "[A]\n"
                                                     "k=3\n"
                                                     "only=second\n"));
    EXPECT_EQ(afterWrite(file, "a", "only", "first"), bytes("[a]\n"
                                                            "k=1\n"
                                                            "K=2\n"
                                                            "only=first\n"
                                                            "[b]\n"
                                                            "k=b\n"
                                                            "[A]\n"
                                                            "k=3\n"
                                                            "only=second\n"));
}

TEST(IniDocument, WriteChangesOnlyItsOwnLine)
{
    const QByteArray file = bytes("; leading comment = with equals\n"
                                  "orphan=before any section\n"
                                  "\n"
                                  "[ s ] ; header comment\n"
                                  "; c=1\n"
                                  "  a = 1  \n"
                                  "odd line without equals\n"
                                  "]stray[\n"
                                  "=empty key\n"
                                  "b=2\t\n"
                                  "\t \n"
                                  "\n"
                                  "[t]\n"
                                  "x=y\n"
                                  "trailing   \n");
    const struct
    {
        const char* name;
        const char* section;
        const char* key;
        const char* value;
        QByteArray expected;
    } cases[] = {
        {"replace in the middle", "S", "a", "one",
         bytes("; leading comment = with equals\n"
               "orphan=before any section\n"
               "\n"
               "[ s ] ; header comment\n"
               "; c=1\n"
               "a=one\n"
               "odd line without equals\n"
               "]stray[\n"
               "=empty key\n"
               "b=2\t\n"
               "\t \n"
               "\n"
               "[t]\n"
               "x=y\n"
               "trailing   \n")},
        {"new key after the last line that is not blank", "s", "c", "3",
         bytes("; leading comment = with equals\n"
               "orphan=before any section\n"
               "\n"
               "[ s ] ; header comment\n"
               "; c=1\n"
               "  a = 1  \n"
               "odd line without equals\n"
               "]stray[\n"
               "=empty key\n"
               "b=2\t\n"
               "c=3\n"
               "\t \n"
               "\n"
               "[t]\n"
               "x=y\n"
               "trailing   \n")},
        {"new key in the last section", "t", "z", "4",
         bytes("; leading comment = with equals\n"
               "orphan=before any section\n"
               "\n"
               "[ s ] ; header comment\n"
               "; c=1\n"
               "  a = 1  \n"
               "odd line without equals\n"
               "]stray[\n"
               "=empty key\n"
               "b=2\t\n"
               "\t \n"
               "\n"
               "[t]\n"
               "x=y\n"
               "trailing   \n"
               "z=4\n")},
        {"a key before any section belongs to none", "s", "orphan", "o",
         bytes("; leading comment = with equals\n"
               "orphan=before any section\n"
               "\n"
               "[ s ] ; header comment\n"
               "; c=1\n"
               "  a = 1  \n"
               "odd line without equals\n"
               "]stray[\n"
               "=empty key\n"
               "b=2\t\n"
               "orphan=o\n"
               "\t \n"
               "\n"
               "[t]\n"
               "x=y\n"
               "trailing   \n")},
        {"new section at the end", "u", "k", "v",
         bytes("; leading comment = with equals\n"
               "orphan=before any section\n"
               "\n"
               "[ s ] ; header comment\n"
               "; c=1\n"
               "  a = 1  \n"
               "odd line without equals\n"
               "]stray[\n"
               "=empty key\n"
               "b=2\t\n"
               "\t \n"
               "\n"
               "[t]\n"
               "x=y\n"
               "trailing   \n"
               "[u]\n"
               "k=v\n")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(show(afterWrite(file, c.section, c.key, c.value)), show(c.expected)) << c.name;
}

TEST(IniDocument, WriteIntoSmallFiles)
{
    const struct
    {
        QByteArray file;
        const char* section;
        const char* key;
        const char* value;
        QByteArray expected;
    } cases[] = {
        {bytes(""), "s", "k", "v", bytes("[s]\nk=v\n")},
        {bytes("[s]"), "s", "k", "v", bytes("[s]\nk=v\n")},
        {bytes("[s]\na=1"), "s", "b", "2", bytes("[s]\na=1\nb=2\n")},
        {bytes("[s]\na=1"), "t", "b", "2", bytes("[s]\na=1\n[t]\nb=2\n")},
        {bytes("[s]\n\n\n[t]\n"), "s", "k", "v", bytes("[s]\nk=v\n\n\n[t]\n")},
        {bytes("[s]\na=1\n;end\n\n[t]\n"), "s", "b", "2", bytes("[s]\na=1\n;end\nb=2\n\n[t]\n")},
        {bytes("\n\n[s]\n"), "s", "k", "v", bytes("\n\n[s]\nk=v\n")},
        {bytes("[s]\nk=old\n\n"), "s", "k", "new", bytes("[s]\nk=new\n\n")},
        {bytes("[s]\nk=v"), "s", "k", "v", bytes("[s]\nk=v")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(show(afterWrite(c.file, c.section, c.key, c.value)), show(c.expected)) << show(c.file);
}

TEST(IniDocument, CrlfFilesKeepCrlf)
{
    const QByteArray file = bytes("[s]\r\na=1\r\n\r\n[t]\r\nb=2\r\n");
    IniDocument doc = IniDocument::parse(file);
    EXPECT_EQ(doc.value("s", "a"), QStringLiteral("1"));
    EXPECT_EQ(doc.value("t", "b"), QStringLiteral("2"));
    doc.setValue("s", "a", "9");
    doc.setValue("s", "c", "3");
    doc.setValue("u", "k", "v");
    EXPECT_EQ(show(doc.serialize()), show(bytes("[s]\r\na=9\r\nc=3\r\n\r\n[t]\r\nb=2\r\n[u]\r\nk=v\r\n")));
}

TEST(IniDocument, MixedLineEndsAreKeptLineByLine)
{
    // Each line keeps its own end; a new line ends as the file's first line.
    const struct
    {
        QByteArray file;
        const char* section;
        const char* key;
        QByteArray expected;
    } cases[] = {
        {bytes("[s]\r\na=1\nb=2\r\n[t]\nc=3\n"), "s", "a", bytes("[s]\r\na=9\nb=2\r\n[t]\nc=3\n")},
        {bytes("[s]\na=1\r\nb=2\n[t]\r\nc=3\r\n"), "s", "b", bytes("[s]\na=1\r\nb=9\n[t]\r\nc=3\r\n")},
        {bytes("[s]\na=1\r\n; note\r\n[t]\r\nc=3\r\n"), "t", "c",
         bytes("[s]\na=1\r\n; note\r\n[t]\r\nc=9\r\n")},
        {bytes("[s]\na=1\nodd\r\nb=2\n"), "s", "b", bytes("[s]\na=1\nodd\r\nb=9\n")},
        {bytes("[s]\na=1\r\n"), "s", "n", bytes("[s]\na=1\r\nn=9\n")},
        {bytes("[s]\r\na=1\r\nc=3\r"), "s", "n", bytes("[s]\r\na=1\r\nc=3\rn=9\r\n")},
        {bytes("[s]\ra=1\nb=2\r\nc=3"), "s", "b", bytes("[s]\ra=1\nb=9\r\nc=3\r")},
        {bytes("[s]\r\na=1\n"), "u", "n", bytes("[s]\r\na=1\n[u]\r\nn=9\r\n")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(show(afterWrite(c.file, c.section, c.key, "9")), show(c.expected)) << show(c.file);
}

TEST(IniDocument, CrOnlyLineEndsEndLines)
{
    // Files from old Mac editors: a lone CR ends each line, as CRLF and LF do.
    const QByteArray file = bytes("[main]\rNumBox=3\rXBox=120\r\r[Box 2]\rText=third\r");
    const struct
    {
        const char* section;
        const char* key;
        std::optional<QString> expected;
    } reads[] = {
        {"main", "NumBox", QStringLiteral("3")},
        {"main", "XBox", QStringLiteral("120")},
        {"Box 2", "Text", QStringLiteral("third")},
        {"main", "Text", std::nullopt},
    };
    for (const auto& r : reads)
        EXPECT_EQ(valueIn(file, r.section, r.key), r.expected) << r.section << " " << r.key;

    IniDocument doc = IniDocument::parse(file);
    doc.setValue("main", "NumBox", "4");
    doc.setValue("main", "YBox", "60");
    doc.setValue("Box 3", "Text", "fourth");
    EXPECT_EQ(
        show(doc.serialize()),
        show(bytes("[main]\rNumBox=4\rXBox=120\rYBox=60\r\r[Box 2]\rText=third\r[Box 3]\rText=fourth\r")));
}

TEST(IniDocument, DecodesWindowsEncodings)
{
    const QString text = QStringLiteral("[自定义]\r\n标题=中文值\r\n应用程序 = \"C:\\程序\\a.exe\" \r\n");
    // The GB18030 bytes of the same text, as an 8-bit Chinese Windows writes it.
    const QByteArray gb18030 = QByteArray::fromHex("5bd7d4b6a8d2e55d0d0a"
                                                   "b1eacce23dd6d0cec4d6b50d0a"
                                                   "d3a6d3c3b3ccd0f2203d2022433a5cb3ccd0f25c612e6578652220"
                                                   "0d0a");
    const struct
    {
        const char* name;
        QByteArray file;
    } cases[] = {
        {"UTF-16LE with BOM", utf16le(text)},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + text.toUtf8()},
        {"UTF-8", text.toUtf8()},
        {"GB18030", gb18030},
    };
    for (const auto& c : cases) {
        IniDocument doc = IniDocument::parse(c.file);
        EXPECT_EQ(doc.value(QStringLiteral("自定义"), QStringLiteral("标题")), QStringLiteral("中文值"))
            << c.name;
        EXPECT_EQ(doc.value(QStringLiteral("自定义"), QStringLiteral("应用程序")),
                  QStringLiteral("C:\\程序\\a.exe"))
            << c.name;

        // After a write the file still holds every value, whatever it is now stored as.
        doc.setValue(QStringLiteral("自定义"), QStringLiteral("参数"), QStringLiteral("新"));
        const IniDocument again = IniDocument::parse(doc.serialize());
        EXPECT_EQ(again.value(QStringLiteral("自定义"), QStringLiteral("标题")), QStringLiteral("中文值"))
            << c.name;
        EXPECT_EQ(again.value(QStringLiteral("自定义"), QStringLiteral("应用程序")),
                  QStringLiteral("C:\\程序\\a.exe"))
            << c.name;
        EXPECT_EQ(again.value(QStringLiteral("自定义"), QStringLiteral("参数")), QStringLiteral("新"))
            << c.name;
    }
}

TEST(IniDocument, WriteStoresWindowsFilesAsUtf8)
{
    // Files from Windows are read in their own encoding and written back as
    // UTF-8 (keeping a byte-order mark when there was one); every value stays.
    const QString text = QStringLiteral("[自定义]\r\n标题=中文值\r\n");
    const QString written = text + QStringLiteral("参数=x\r\n");
    const struct
    {
        const char* name;
        QByteArray file;
        QByteArray expected;
    } cases[] = {
        {"UTF-16LE with BOM", utf16le(text), "\xEF\xBB\xBF" + written.toUtf8()},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + text.toUtf8(), "\xEF\xBB\xBF" + written.toUtf8()},
        {"UTF-8", text.toUtf8(), written.toUtf8()},
        {"GB18030", QByteArray::fromHex("5bd7d4b6a8d2e55d0d0ab1eacce23dd6d0cec4d6b50d0a"), written.toUtf8()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(show(afterWrite(c.file, QStringLiteral("自定义"), QStringLiteral("参数"), "x")),
                  show(c.expected))
            << c.name;
}

TEST(IniDocument, DecodesTheTitleKeyInGb18030)
{
    // "标题" is B1 EA CC E2 in GB18030; these bytes are no valid UTF-8.
    const QByteArray file = QByteArray("[App1]\r\n") + QByteArray::fromHex("b1eacce2") + "=Mail\r\n";
    EXPECT_EQ(valueIn(file, "App1", QStringLiteral("标题")), QStringLiteral("Mail"));
    EXPECT_EQ(platform::decodeIniText(QByteArray::fromHex("b1eacce2")), QStringLiteral("标题"));
}

TEST(IniDocument, ValueWithLineBreaksStaysOneValue)
{
    const char* values[] = {
        "x\n[evil]\nk=v", "x\r\n[evil]\r\nk=v", "x\r[evil]\rk=v", "\n[evil]\n", "x\n\nk=v\n", "k=v\r\n",
    };
    const char* files[] = {"", "[s]\nold=1\n[t]\nt=1\n", "[s]\r\nold=1\r\n[t]\r\nt=1\r\n"};
    for (const char* file : files) {
        for (const char* value : values) {
            for (const char* key : {"old", "new"}) {
                SCOPED_TRACE(show(QByteArray(file)) + " / " + show(QByteArray(value)) + " / " + key);
                const IniDocument before = IniDocument::parse(bytes(file));
                const QByteArray written = afterWrite(bytes(file), "s", key, value);
                const IniDocument doc = IniDocument::parse(written);
                const std::optional<QString> read = doc.value("s", key);
                ASSERT_TRUE(read.has_value());
                EXPECT_FALSE(read->contains(u'\n') || read->contains(u'\r'));
                EXPECT_EQ(read->simplified(), QString::fromUtf8(value).simplified());
                EXPECT_EQ(doc.value("evil", "k"), std::nullopt);
                EXPECT_EQ(doc.value("s", "k"), std::nullopt);
                EXPECT_EQ(doc.value("t", "t"), before.value("t", "t"));
                // No line but the written one is added (and its header in an empty file).
                const int linesBefore = int(QByteArray(file).count('\n'));
                const int added = QByteArray(file).isEmpty() ? 2 : (QByteArrayView(key) == "new" ? 1 : 0);
                EXPECT_EQ(written.count('\n'), linesBefore + added);
            }
        }
    }
}

TEST(IniDocument, NamesWithLineBreaksMakeNoNewLines)
{
    const QByteArray written = afterWrite(bytes("[s]\na=1\n"), "s\n[evil]", "k\r\nx=y", "v");
    EXPECT_EQ(written.count('\n'), 4);
    const IniDocument doc = IniDocument::parse(written);
    EXPECT_EQ(doc.value("evil", "x"), std::nullopt);
    EXPECT_EQ(doc.value("s", "a"), QStringLiteral("1"));
    EXPECT_EQ(doc.value("s", "x"), std::nullopt);
}

TEST(IniDocument, EveryValueReadsBackExactly)
{
    const QString values[] = {
        "",
        "plain",
        " a",
        "a ",
        " a ",
        "\"q\"",
        "'",
        "\"",
        "''",
        "\"\"",
        "a\"",
        "\"a",
        "'a",
        "a'",
        "\"a'",
        "'a\"",
        "\ta",
        "a\t",
        "\t",
        " ",
        "   ",
        " \" ",
        "a=b",
        "=",
        ";c",
        "[x]",
        "[",
        "a \"b\" c",
        QStringLiteral("中文 "),
        QStringLiteral("\u3000全角"),
        QStringLiteral("全角\u3000"),
        QStringLiteral("\u00A0nbsp"),
        QString(300, u'x'),
    };
    const char* files[] = {"", "[s]\nk=old\n", "[s]\r\nk = \"old\" \r\nz=1\r\n", "\xEF\xBB\xBF[S]\nK=old\n"};
    for (const char* file : files) {
        for (const QString& value : values) {
            SCOPED_TRACE(show(QByteArray(file)) + " / " + show(value.toUtf8()));
            IniDocument doc = IniDocument::parse(bytes(file));
            doc.setValue("s", "k", value);
            EXPECT_EQ(doc.value("s", "k"), value);
            const IniDocument again = IniDocument::parse(doc.serialize());
            EXPECT_EQ(again.value("s", "k"), value);
            // Writing the read value again changes nothing.
            IniDocument twice = again;
            twice.setValue("s", "k", *again.value("s", "k"));
            EXPECT_EQ(twice.serialize(), doc.serialize());
        }
    }
}

TEST(IniDocument, BrokenHeadersAndBinaryBytesDoNotBreakReadingOrWriting)
{
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(char(i));
    std::mt19937 rng(12345);
    QByteArray noise;
    for (int i = 0; i < 4096; ++i)
        noise.append(char(rng() & 0xFF));

    const struct
    {
        const char* name;
        QByteArray file;
    } cases[] = {
        {"missing bracket", bytes("[main\nk=1\n")},
        {"brackets only", bytes("[\n]\n[]\n[[]]\n]=[\n=\n")},
        {"header without end of line", bytes("[main")},
        {"nul bytes", QByteArray("[s]\0\nk=\0v\n\0\0", 13)},
        {"all byte values", allBytes},
        {"all byte values after a header", "[s]\n" + allBytes + "\nk=1\n"},
        {"noise", noise},
        {"UTF-16LE mark then odd length", QByteArray("\xFF\xFE[\0s\0]", 7)},
        {"UTF-16LE mark then lone surrogates", QByteArray("\xFF\xFE\x00\xD8\x00\xDC\x00\xDC\x00\xD8", 10)},
        {"UTF-16BE mark", QByteArray("\xFE\xFF\0[\0s\0]\0\n\0k\0=\0v", 16)},
        {"UTF-8 mark then invalid bytes", bytes("\xEF\xBB\xBF[s]\n\xC3\x28=\xFF\xFE\n")},
        {"marks only", bytes("\xEF\xBB\xBF")},
        {"carriage returns only", bytes("[s]\rk=1\r\r")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IniDocument doc = IniDocument::parse(c.file);
        (void)doc.value("main", "k");
        (void)doc.value("s", "k");
        (void)doc.serialize();
        doc.setValue("main", "written", "value");
        doc.setValue("s", "written", " two ");
        const IniDocument again = IniDocument::parse(doc.serialize());
        EXPECT_EQ(again.value("main", "written"), QStringLiteral("value"));
        EXPECT_EQ(again.value("s", "written"), QStringLiteral(" two "));
    }
    EXPECT_EQ(valueIn(bytes("[main\nk=1\n"), "main", "k"), QStringLiteral("1"));
}

TEST(IniDocument, OneLineInAnotherCodePageLeavesTheUtf8LinesAlone)
{
    // A file of ours (UTF-8) with one line saved as Latin-1 by a hand edit.
    const QByteArray file =
        QByteArray("[Box 0]\nText=") + QStringLiteral("监视").toUtf8() + "\n[Box 1]\nText=caf\xE9\n";
    const IniDocument doc = IniDocument::parse(file);
    EXPECT_EQ(doc.value(QStringLiteral("Box 0"), QStringLiteral("Text")), QStringLiteral("监视"));
    // An unrelated write keeps the good line as it was.
    const QByteArray written = afterWrite(file, QStringLiteral("main"), QStringLiteral("PosX"), "5");
    EXPECT_EQ(IniDocument::parse(written).value(QStringLiteral("Box 0"), QStringLiteral("Text")),
              QStringLiteral("监视"));
}
