// The strip painted offscreen into images and checked pixel by pixel.
#include "TestSupport.h"

#include "core/NetThread.h"
#include "platform/desktop/Messages.h"
#include "ui/KorvalenDlg.h"
#include "ui/StripPainter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const QRgb kBackground = qRgb(10, 200, 10); // no painted pixel has this colour
const QRgb kMarker = qRgb(154, 1, 39);

StripResources resources()
{
    StripResources r;
    r.stripRow = QImage(QStringLiteral(":/images/153.png"));
    r.stripColumn = QImage(QStringLiteral(":/images/152.png"));
    r.errorIcon = QImage(QStringLiteral(":/images/248.png"));
    r.checkingIcon = QImage(QStringLiteral(":/images/249.png"));
    r.disabledIcon = QImage(QStringLiteral(":/images/255.png"));
    r.nameFont = stripNameFont();
    r.infoFont = stripInfoFont();
    return r;
}

QImage solid(QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

class StripPainter : public ::testing::Test
{
protected:
    ~StripPainter() override
    {
        for (BoxRecord* box : boxes)
            delete box;
    }

    BoxRecord& addBox(int status, int method = METHOD_PING)
    {
        const int index = int(std::count_if(boxes.begin(), boxes.end(), [](BoxRecord* b) { return b; }));
        auto* box = new BoxRecord(nullptr, index);
        box->Text = QStringLiteral("B%1").arg(index);
        box->IPAdress = QStringLiteral("127.0.0.1");
        box->VerifyMetod = method;
        box->Port = 80;
        box->m_nStatus = status;
        box->OnLineBoxColor = 0xFED1C5;
        box->OffLineBoxColor = 0x797979;
        box->OnLineTextColor = 0;
        box->OffLineTextColor = 0xFFFFFF;
        box->PicTypeOnLine = box->PicTypeOffLine = 1;
        boxes[size_t(index)] = box;
        view.metrics.n = index + 1;
        return *box;
    }

    // The whole strip, or only what meets `dirty`, on the background colour.
    QImage paint(const QRegion& dirty = QRegion())
    {
        const QSize size = stripWindowSize(view.metrics);
        QImage image(size, QImage::Format_ARGB32);
        image.fill(kBackground);
        QPainter painter(&image);
        painter.setLayoutDirection(direction);
        paintStrip(painter, view, res, boxes, dirty.isEmpty() ? QRegion(image.rect()) : dirty);
        return image;
    }

    Qt::LayoutDirection direction = Qt::LeftToRight;

    StripView view;
    StripResources res = resources();
    BoxArray boxes{};
};

int countColour(const QImage& image, const QRect& area, QRgb colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) == colour;
    return count;
}

// An Up tile of `box` (white, black text, no picture) as QPainter::drawText
// draws its texts: each line clipped to its band, centred when it fits the
// tile, else from the left.
QImage drawnByDrawText(QSize canvas, const QRect& tile, const BoxRecord& box, const StripResources& res,
                       Qt::LayoutDirection direction)
{
    QImage image(canvas, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setLayoutDirection(direction);
    painter.setPen(Qt::black);
    const auto draw = [&](const QFont& font, const QRect& band, const QString& text) {
        const int width = QFontMetrics(font).horizontalAdvance(text);
        const int align = width <= tile.width() ? Qt::AlignHCenter : Qt::AlignLeft;
        painter.setFont(font);
        painter.setClipRect(band);
        painter.drawText(band, Qt::AlignTop | Qt::TextSingleLine | align, text);
    };
    draw(res.nameFont, nameBandRect(tile), box.Text);
    const QStringList lines = {box.IPAdress, methodLine(box.VerifyMetod, box.Port),
                               statusLine(STATUS_UP, box.VerifyMetod),
                               replyLine(STATUS_UP, box.m_dwLastValue)};
    for (int k = 0; k < 4; ++k)
        draw(res.infoFont, infoLineRect(tile, k), lines[k]);
    return image;
}

TEST_F(StripPainter, FrameSeparatorsAndFillsInTheRowLayout)
{
    addBox(STATUS_UP);
    addBox(STATUS_DOWN);
    addBox(STATUS_CHECKING);
    const QImage image = paint();
    ASSERT_EQ(image.size(), QSize(3 * 91 + 8, 82));
    const QRgb black = qRgb(0, 0, 0);
    for (int y = 0; y < image.height(); ++y) {
        EXPECT_EQ(image.pixel(0, y), black) << y;
        EXPECT_EQ(image.pixel(image.width() - 1, y), black) << y;
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(image.pixel(7 + k * 91, y), black) << k << "," << y;
    }
    for (int x = 0; x < image.width(); ++x) {
        EXPECT_EQ(image.pixel(x, 0), black) << x;
        EXPECT_EQ(image.pixel(x, image.height() - 1), black) << x;
    }
    // The edge strip is the light grey bitmap.
    EXPECT_EQ(image.pixel(3, 40), qRgb(192, 192, 192));
    // A pixel of each tile that no text or picture covers: the left column
    // just above the name band.
    EXPECT_EQ(image.pixel(8, 65), qRgb(0xC5, 0xD1, 0xFE)); // Up: OnLineBoxColor, red in the low byte
    EXPECT_EQ(image.pixel(8 + 91, 65), qRgb(0x79, 0x79, 0x79));
    EXPECT_EQ(image.pixel(8 + 182, 65), qRgb(255, 255, 255));
    // Every tile pixel is painted; nothing is left of the background.
    EXPECT_EQ(countColour(image, image.rect(), kBackground), 0);
}

TEST_F(StripPainter, ColumnLayoutIsTheRowTurned)
{
    view.metrics.row = false;
    addBox(STATUS_CLOSE, METHOD_TCP);
    addBox(STATUS_DISABLED);
    const QImage image = paint();
    ASSERT_EQ(image.size(), QSize(92, 2 * 81 + 8));
    for (int x = 0; x < image.width(); ++x) {
        EXPECT_EQ(image.pixel(x, 7), qRgb(0, 0, 0)) << x;
        EXPECT_EQ(image.pixel(x, 7 + 81), qRgb(0, 0, 0)) << x;
    }
    EXPECT_EQ(image.pixel(40, 3), qRgb(192, 192, 192));
    EXPECT_EQ(image.pixel(1, 8 + 64), qRgb(0x79, 0x79, 0x79));
    EXPECT_EQ(image.pixel(1, 8 + 81 + 64), qRgb(255, 255, 255));
}

TEST_F(StripPainter, StatusZeroLeavesTheTileUnfilled)
{
    addBox(STATUS_UNKNOWN);
    const QImage image = paint();
    EXPECT_EQ(image.pixel(8, 65), kBackground);
}

TEST_F(StripPainter, PicturesAreFittedIntoTheirArea)
{
    // All four info lines: band 41, picture area 90 by 25.
    const struct
    {
        QSize picture;
        QRect drawn; // inside the tile
    } cases[] = {
        {QSize(32, 32), QRect(33, 41, 25, 25)},
        {QSize(48, 32), QRect(21, 41, 48, 25)},
        {QSize(16, 10), QRect(37, 48, 16, 10)},
        {QSize(200, 10), QRect(0, 48, 90, 10)},
    };
    for (const auto& c : cases) {
        BoxRecord& box = addBox(STATUS_UP);
        box.Text.clear();
        box.m_hOnLineIcon = solid(c.picture, qRgb(255, 0, 0));
        box.m_bmOnLineIcon = BitmapSize{c.picture.width(), c.picture.height()};
        const QImage image = paint();
        const QRect tile = tileRect(view.metrics, view.metrics.n);
        const QRect drawn = c.drawn.translated(tile.topLeft());
        EXPECT_EQ(countColour(image, drawn, qRgb(255, 0, 0)), drawn.width() * drawn.height())
            << c.picture.width();
        EXPECT_EQ(countColour(image, tile, qRgb(255, 0, 0)), drawn.width() * drawn.height())
            << c.picture.width();
    }
}

TEST_F(StripPainter, BuiltInIconsShowErrorCheckingAndDisabled)
{
    addBox(STATUS_NET_ERROR);
    addBox(STATUS_CHECKING);
    addBox(STATUS_DISABLED);
    BoxRecord& hidden = addBox(STATUS_IP_ERROR);
    hidden.PicTypeOffLine = 0;
    const QImage image = paint();
    // Each icon sits in the area below row 36: the centre pixel is the icon's
    // own colour (red, blue, grey), the fourth tile has none.
    const int centreY = 1 + (36 + 66) / 2;
    EXPECT_EQ(qRed(image.pixel(8 + 45 - 8, centreY)) > 150 && qGreen(image.pixel(8 + 45 - 8, centreY)) < 90,
              true);
    EXPECT_GT(qBlue(image.pixel(8 + 91 + 45 - 4, centreY - 4)), 150);
    const QRect fourth = tileRect(view.metrics, 4);
    EXPECT_EQ(countColour(image, builtInIconArea(fourth), qRgb(255, 255, 255)),
              builtInIconArea(fourth).width() * builtInIconArea(fourth).height());
}

TEST_F(StripPainter, PaintingStoresTheStatusWordOfErrorBoxes)
{
    addBox(STATUS_IP_ERROR, METHOD_URL);
    addBox(STATUS_IP_ERROR, METHOD_TCP);
    addBox(STATUS_NET_ERROR);
    paint();
    EXPECT_EQ(boxes[0]->m_strStatusText, QStringLiteral("URL ERROR"));
    EXPECT_EQ(boxes[1]->m_strStatusText, QStringLiteral("IP ERROR"));
    EXPECT_EQ(boxes[2]->m_strStatusText, QStringLiteral("NET ERROR"));
}

TEST_F(StripPainter, InfoLineTexts)
{
    EXPECT_EQ(replyLine(STATUS_DOWN, 12), QStringLiteral("Reply: Timeout"));
    EXPECT_EQ(replyLine(STATUS_UP, 0), QStringLiteral("Reply: <1 ms"));
    EXPECT_EQ(replyLine(STATUS_CLOSE, 0), QStringLiteral("Reply: <1 ms"));
    EXPECT_EQ(replyLine(STATUS_UP, 13), QStringLiteral("响应: 13 ms"));
    EXPECT_EQ(replyLine(STATUS_DISABLED, 0xFFFFFFFF), QString());
    EXPECT_EQ(statusLine(STATUS_UP, METHOD_PING), QStringLiteral("状态: 上"));
    EXPECT_EQ(statusLine(STATUS_UP, METHOD_TCP), QStringLiteral("状态: 打开"));
    EXPECT_EQ(statusLine(STATUS_CLOSE, METHOD_TCP), QStringLiteral("状态: 关闭"));
    EXPECT_EQ(statusLine(STATUS_DOWN, METHOD_URL), QStringLiteral("状态: 下"));
    EXPECT_EQ(statusLine(STATUS_DISABLED, METHOD_PING), QString());
    EXPECT_EQ(methodLine(METHOD_TCP, 3389), QStringLiteral("模式: TCP 3389"));
    EXPECT_EQ(methodLine(METHOD_URL, 80), QStringLiteral("模式: URL"));
}

TEST_F(StripPainter, TextsStayInsideTheirTile)
{
    BoxRecord& box = addBox(STATUS_DOWN);
    box.Text = QStringLiteral("A name far too wide for any tile of this strip");
    box.IPAdress = QStringLiteral("a-very-long-host-name.example.internal");
    addBox(STATUS_DOWN);
    const QImage image = paint();
    // The second tile's left column stays its fill: the long texts are cut at
    // the first tile's right edge.
    const QRect second = tileRect(view.metrics, 2);
    for (int y = second.top(); y <= second.bottom(); ++y)
        EXPECT_EQ(image.pixel(second.left(), y), qRgb(0x79, 0x79, 0x79)) << y;
    // The long name starts at the tile's left edge: white name pixels in the
    // first columns of the name band.
    const QRect band = nameBandRect(tileRect(view.metrics, 1)).adjusted(0, 0, -80, 0);
    EXPECT_GT(countColour(image, band, qRgb(255, 255, 255)), 0);
}

TEST_F(StripPainter, InsertionLineAndSelectionFrame)
{
    addBox(STATUS_DOWN);
    addBox(STATUS_DOWN);
    view.highlight = true;
    view.addMode = true;
    QImage image = paint();
    // No box selected: the line stands on the first pixel column of tile 1.
    const int onLine = countColour(image, QRect(8, 1, 1, 80), kMarker);
    EXPECT_GE(onLine, 39);
    EXPECT_EQ(countColour(image, image.rect(), kMarker), onLine);

    view.selectedBox = 1;
    image = paint();
    const int lastColumn = 8 + 89;
    EXPECT_GE(countColour(image, QRect(lastColumn, 1, 1, 80), kMarker), 39);
    EXPECT_EQ(countColour(image, QRect(8, 1, 1, 80), kMarker), 0);

    view.addMode = false;
    view.selectedBox = 2;
    image = paint();
    const QRect tile = tileRect(view.metrics, 2);
    const int framed = countColour(image, tile, kMarker);
    EXPECT_GE(framed, (2 * 90 + 2 * 80) / 2 - 4);
    // Only the outermost pixels of the tile carry the frame.
    EXPECT_EQ(countColour(image, tile.adjusted(1, 1, -1, -1), kMarker), 0);
    EXPECT_EQ(countColour(image, image.rect(), kMarker), framed);
}

TEST_F(StripPainter, SampleStripWithEveryStatus)
{
    const struct
    {
        int status;
        int method;
        const char* name;
    } tiles[] = {
        {STATUS_UP, METHOD_PING, "Gateway jpq"},   {STATUS_UP, METHOD_TCP, "Mail 25"},
        {STATUS_CLOSE, METHOD_TCP, "Web proxy"},   {STATUS_DOWN, METHOD_PING, "Printer"},
        {STATUS_NET_ERROR, METHOD_PING, "NAS"},    {STATUS_IP_ERROR, METHOD_URL, "Portal"},
        {STATUS_CHECKING, METHOD_PING, "Gateway"}, {STATUS_DISABLED, METHOD_PING, "Old box"},
        {STATUS_UP, METHOD_URL, "Yoga page"},
    };
    const QImage up = QImage(QStringLiteral(":/images/1274607096_Desktop.ico"));
    for (const auto& t : tiles) {
        BoxRecord& box = addBox(t.status, t.method);
        box.Text = QString::fromUtf8(t.name);
        box.m_dwLastValue = t.status == STATUS_DISABLED ? 0xFFFFFFFF : 3;
        box.Port = t.method == METHOD_TCP ? 65535 : 80;
        box.IPAdress = QStringLiteral("192.168.100.200");
        if (t.method == METHOD_URL)
            box.IPAdress = QStringLiteral("www.example.com");
        box.m_hOnLineIcon = box.m_hOffLineIcon = up;
        box.m_bmOnLineIcon.bmWidth = box.m_bmOffLineIcon.bmWidth = up.width();
        box.m_bmOnLineIcon.bmHeight = box.m_bmOffLineIcon.bmHeight = up.height();
    }
    QImage image = paint();
    const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/strip-sample.png");
    EXPECT_TRUE(image.save(file));
    EXPECT_EQ(countColour(image, image.rect(), kBackground), 0);
}

// Counts the paint events of a widget and what they cover, and logs the
// kinds of all its events in their order.
class PaintSpy : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        events.push_back(event->type());
        if (event->type() == QEvent::Paint) {
            rects.push_back(static_cast<QPaintEvent*>(event)->rect());
            regions.push_back(static_cast<QPaintEvent*>(event)->region());
        }
        return false;
    }
    std::vector<QRect> rects;
    std::vector<QRegion> regions;
    std::vector<QEvent::Type> events;
};

// A shown window of three boxes.
class StripWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(env.dataDir());
        test::writeFile(env.dataDir() + QStringLiteral("/MainConfA.ini"),
                        "[main]\nFirstStart=0\nNumBox=3\n[Box 0]\nDisabled=1\n[Box 1]\nDisabled=1\n[Box "
                        "2]\nDisabled=1\n");
        dlg = std::make_unique<CKorvalenDlg>(nullptr, 0);
        dlg->show();
        ASSERT_TRUE(test::waitFor([&] { return dlg->isVisible(); }));
        QCoreApplication::processEvents();
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes boxes;
    std::unique_ptr<CKorvalenDlg> dlg;
};

TEST_F(StripWindow, PaintTileRepaintsOnlyThatTile)
{
    CKorvalenDlg& dlg = *this->dlg;
    PaintSpy spy;
    dlg.installEventFilter(&spy);
    dlg.PaintTile(2);
    ASSERT_EQ(spy.rects.size(), 1u);
    EXPECT_EQ(spy.rects[0], tileRect(dlg.Metrics(), 2));
    // A duplicate of the last box reports the number NumBox + 1.
    dlg.PaintTile(4);
    ASSERT_EQ(spy.rects.size(), 2u);
    EXPECT_EQ(spy.rects[1].left(), 8 + 3 * 91);
    dlg.PaintTile(5);
    dlg.PaintTile(0);
    EXPECT_EQ(spy.rects.size(), 2u);
    dlg.removeEventFilter(&spy);
}

// Results posted together are painted in one paint of the window, once the
// last is handled; a message of another kind queued behind them finds their
// tiles painted already.
TEST_F(StripWindow, ResultsHandledTogetherArePaintedInOnePaint)
{
    CKorvalenDlg& dlg = *this->dlg;
    PaintSpy spy;
    dlg.installEventFilter(&spy);
    for (const int index : {0, 2})
        ASSERT_TRUE(platform::PostMessage(dlg.Handle(), platform::WM_CHECKRESULT,
                                          packCheckResult(STATUS_CHECKING, index), 0));
    ASSERT_TRUE(test::waitFor([&] { return !spy.regions.empty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(spy.regions.size(), 1u);
    EXPECT_EQ(spy.regions[0], QRegion(tileRect(dlg.Metrics(), 1)) + tileRect(dlg.Metrics(), 3));

    spy.regions.clear();
    spy.events.clear();
    ASSERT_TRUE(platform::PostMessage(dlg.Handle(), platform::WM_CHECKRESULT,
                                      packCheckResult(STATUS_CHECKING, 1), 0));
    ASSERT_TRUE(platform::PostMessage(dlg.Handle(), platform::WM_ACTIVATEINSTANCE, 0, 0));
    ASSERT_TRUE(test::waitFor([&] { return !spy.regions.empty(); }));
    QCoreApplication::processEvents();
    dlg.removeEventFilter(&spy);
    ASSERT_EQ(spy.regions.size(), 1u);
    EXPECT_EQ(spy.regions[0], QRegion(tileRect(dlg.Metrics(), 2)));
    // Bringing the window forward raises it: after the tile was painted.
    const auto paint = std::find(spy.events.begin(), spy.events.end(), QEvent::Paint);
    const auto raised = std::find(spy.events.begin(), spy.events.end(), QEvent::ZOrderChange);
    ASSERT_NE(raised, spy.events.end());
    EXPECT_LT(paint, raised);
}

} // namespace

namespace {

// The rows and columns that a text inks when drawn by the text rule in
// `band` of a tile of the given width, with nothing cut: an empty rectangle
// for no ink.
QRect inkOf(const QFont& font, const QString& text, const QRect& band, QSize canvas)
{
    QImage image(canvas, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const int width = QFontMetrics(font).horizontalAdvance(text);
        const int align = width <= band.width() ? Qt::AlignHCenter : Qt::AlignLeft;
        painter.drawText(band, Qt::AlignTop | Qt::TextSingleLine | align, text);
    }
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace

// The faces that the set-up installs, at sizes whose glyph cell fits the band
// each font is drawn in (info lines 12 rows at a pitch of 10, the name band
// 13 rows), with average widths close to the tile's 4 and 5 pixels.
TEST(StripFonts, EveryFontsCellFitsItsBand)
{
    const QFont info = stripInfoFont();
    const QFont name = stripNameFont();
    EXPECT_EQ(QFontInfo(info).family(), QStringLiteral("DejaVu Sans Condensed"));
    EXPECT_EQ(QFontInfo(name).family(), QStringLiteral("DejaVu Sans Condensed"));
    const QRect tile(0, 0, 90, 80);
    const QFontMetrics infoMetrics(info);
    const QFontMetrics nameMetrics(name);
    EXPECT_LE(infoMetrics.ascent() + infoMetrics.descent(), infoLineRect(tile, 0).height());
    // The lines are 10 rows apart: a cell of at most 10 keeps them apart.
    EXPECT_LE(infoMetrics.ascent() + infoMetrics.descent(),
              infoLineRect(tile, 1).top() - infoLineRect(tile, 0).top());
    EXPECT_LE(nameMetrics.ascent() + nameMetrics.descent(), nameBandRect(tile).height());
    EXPECT_NEAR(infoMetrics.averageCharWidth(), 4, 1);
    EXPECT_NEAR(nameMetrics.averageCharWidth(), 5, 1);
}

TEST(StripFonts, LongTargetsAndFiveDigitPortsFitTheDefaultTile)
{
    const QFontMetrics info(stripInfoFont());
    // The tile's width less a margin of one pixel at each side.
    const int room = 90 - 2;
    for (const QString& text :
         {QStringLiteral("192.168.100.200"), QStringLiteral("www.example.com"), methodLine(METHOD_TCP, 65535),
          QStringLiteral("响应: 65535 ms"), QStringLiteral("Reply: Timeout")})
        EXPECT_LE(info.horizontalAdvance(text), room) << text.toStdString();
    const QFontMetrics name(stripNameFont());
    for (const QString& text : {QStringLiteral("NET ERROR"), QStringLiteral("URL ERROR"),
                                QStringLiteral("CHECKING"), QStringLiteral("DISABLED")})
        EXPECT_LE(name.horizontalAdvance(text), room) << text.toStdString();
}

// Every text of a tile, drawn without any cut, inks only its own band; and
// each info line's ink stays clear of the next line's, descenders and
// Chinese alike.
TEST(StripFonts, NoInkOutsideTheBands)
{
    const QRect tile(8, 1, 90, 80);
    const QSize canvas(120, 100);
    const QStringList firstLines = {QStringLiteral("gjpqy.example.com"), QStringLiteral("192.168.100.200"),
                                    QStringLiteral("Ping jpg"), QStringLiteral("Reply: Timeout")};
    const QStringList nextLines = {methodLine(METHOD_PING, 0),        methodLine(METHOD_TCP, 65535),
                                   statusLine(STATUS_UP, METHOD_TCP), statusLine(STATUS_CLOSE, METHOD_TCP),
                                   replyLine(STATUS_UP, 12345),       QStringLiteral("Bdfhkl")};
    const QFont info = stripInfoFont();
    for (int line = 0; line < 4; ++line) {
        const QRect band = infoLineRect(tile, line);
        for (const QStringList& texts : {firstLines, nextLines})
            for (const QString& text : texts) {
                const QRect ink = inkOf(info, text, band, canvas);
                SCOPED_TRACE(text.toStdString() + " on line " + std::to_string(line));
                ASSERT_FALSE(ink.isEmpty());
                EXPECT_TRUE(band.contains(ink))
                    << ink.top() << ".." << ink.bottom() << " in " << band.top() << ".." << band.bottom();
                if (line < 3) {
                    // Descenders here, and the tallest glyphs on the next line.
                    for (const QString& next : nextLines) {
                        const QRect below = inkOf(info, next, infoLineRect(tile, line + 1), canvas);
                        EXPECT_LT(ink.bottom(), below.top()) << next.toStdString();
                    }
                }
            }
    }
    const QFont name = stripNameFont();
    for (const QString& text :
         {QStringLiteral("gjpqy Typography"), QStringLiteral("Printer"), QStringLiteral("路由器 gjy")}) {
        const QRect band = nameBandRect(tile);
        const QRect ink = inkOf(name, text, band, canvas);
        EXPECT_TRUE(band.contains(ink)) << text.toStdString() << ": " << ink.top() << ".." << ink.bottom();
    }
    const QRect word = statusWordRect(tile);
    for (const QString& text : {QStringLiteral("CHECKING"), QStringLiteral("DISABLED")}) {
        const QRect ink = inkOf(name, text, word, canvas);
        // The status word stands above the name band.
        EXPECT_LT(ink.bottom(), nameBandRect(tile).top()) << text.toStdString();
    }
}

// A picture drawn at another size is scaled smoothly: a one-pixel dot pattern
// shrunk from 32 to 30 pixels keeps every dot as grey, rather than losing
// some of them.
TEST_F(StripPainter, PicturesDrawnAtAnotherSizeAreScaledSmoothly)
{
    QImage dots(32, 32, QImage::Format_ARGB32);
    dots.fill(Qt::white);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; x += 2)
            dots.setPixel(x, y, qRgb(0, 0, 0));
    res.checkingIcon = dots;
    addBox(STATUS_CHECKING);
    const QImage image = paint();
    const QRect area = fitIcon(QSize(32, 32), builtInIconArea(tileRect(view.metrics, 1)));
    ASSERT_EQ(area.size(), QSize(30, 30));
    int grey = 0;
    for (int x = area.left(); x <= area.right(); ++x) {
        const int value = qGray(image.pixel(x, area.center().y()));
        grey += value > 20 && value < 235;
    }
    // Shrinking 16 dots into 30 columns blends neighbours: most columns grey.
    EXPECT_GE(grey, 10);
}

TEST_F(StripPainter, TileTextsAreNotCut)
{
    // Each text of a tile drawn in the strip inks exactly what it inks when
    // drawn alone and uncut.
    BoxRecord& box = addBox(STATUS_UP, METHOD_TCP);
    box.Text = QStringLiteral("gjpqy");
    box.IPAdress = QStringLiteral("192.168.100.200");
    box.Port = 65535;
    box.m_dwLastValue = 12;
    box.PicTypeOnLine = 0;
    box.OnLineBoxColor = 0xFFFFFF;
    const QImage image = paint();
    const QRect tile = tileRect(view.metrics, 1);
    QImage alone(image.size(), QImage::Format_ARGB32);
    alone.fill(Qt::white);
    {
        QPainter painter(&alone);
        painter.setPen(Qt::black);
        painter.setFont(res.nameFont);
        painter.drawText(nameBandRect(tile), Qt::AlignTop | Qt::AlignHCenter | Qt::TextSingleLine, box.Text);
        painter.setFont(res.infoFont);
        const QStringList lines = {box.IPAdress, methodLine(METHOD_TCP, 65535),
                                   statusLine(STATUS_UP, METHOD_TCP), replyLine(STATUS_UP, 12)};
        for (int k = 0; k < 4; ++k)
            painter.drawText(infoLineRect(tile, k), Qt::AlignTop | Qt::AlignHCenter | Qt::TextSingleLine,
                             lines[k]);
    }
    int differing = 0;
    for (int y = tile.top(); y <= tile.bottom(); ++y)
        for (int x = tile.left(); x <= tile.right(); ++x)
            differing += image.pixel(x, y) != alone.pixel(x, y);
    EXPECT_EQ(differing, 0);
}

// Lines laid out once and kept draw exactly what drawText drew, whatever the
// text and whichever text the tile showed before.
TEST_F(StripPainter, KeptLinesDrawAsDrawTextDid)
{
    BoxRecord& box = addBox(STATUS_UP, METHOD_TCP);
    box.Port = 65535;
    box.PicTypeOnLine = 0;
    box.OnLineBoxColor = 0xFFFFFF;
    const QRect tile = tileRect(view.metrics, 1);
    const auto expectAsDrawText = [&](const std::string& what) {
        const QImage image = paint();
        EXPECT_TRUE(image.copy(tile) == drawnByDrawText(image.size(), tile, box, res, direction).copy(tile))
            << what << (direction == Qt::RightToLeft ? " right to left" : "");
    };
    // Each as the name and as the first info line, in either reading direction.
    for (const Qt::LayoutDirection reading : {Qt::LeftToRight, Qt::RightToLeft}) {
        direction = reading;
        for (const QString& text :
             {QStringLiteral("Gateway"), QStringLiteral("响应: 12 ms"), QStringLiteral("模式: TCP 65535"),
              QStringLiteral("A name far too wide for any tile of this strip"),
              // As an info line, 88 pixels wide, and 92: just too wide.
              QStringLiteral("Gateway of the office"), QStringLiteral("Gateway of the offices"), QString(),
              QStringLiteral("gjpqy"), QStringLiteral("tab\tand\nbreak\rs"), QStringLiteral("Gateway "),
              QStringLiteral("שרת (1)"), QStringLiteral("first\u009Csecond")}) {
            box.Text = box.IPAdress = text;
            expectAsDrawText(text.toStdString());
        }
    }
    direction = Qt::LeftToRight;
    // A new reply time shows at once, and an old one again after it.
    for (const uint32_t reply : {1u, 2u, 1u}) {
        box.m_dwLastValue = reply;
        expectAsDrawText("reply " + std::to_string(reply));
    }
    // More lines than are kept: a text laid out before the cache was cleared
    // is laid out again.
    box.Text = QStringLiteral("Gateway");
    expectAsDrawText("before");
    for (int k = 0; k < 2100; ++k) {
        box.Text = QStringLiteral("Box %1").arg(k);
        paint();
    }
    box.Text = QStringLiteral("Gateway");
    expectAsDrawText("after clearing");
}

// Scaled pictures are kept per picture: boxes with different pictures of one
// size each show their own, and a new picture replaces the old one.
TEST_F(StripPainter, KeptScaledPicturesBelongToTheirPicture)
{
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), green = qRgb(0, 255, 0);
    for (const QRgb colour : {red, blue}) {
        BoxRecord& box = addBox(STATUS_UP);
        box.Text.clear();
        box.m_hOnLineIcon = solid(QSize(32, 32), colour);
        box.m_bmOnLineIcon = BitmapSize{32, 32};
    }
    const int drawn = 25 * 25; // 32 by 32 fitted into a 90 by 25 area
    QImage image = paint();
    EXPECT_EQ(countColour(image, tileRect(view.metrics, 1), red), drawn);
    EXPECT_EQ(countColour(image, tileRect(view.metrics, 2), blue), drawn);
    boxes[0]->m_hOnLineIcon = solid(QSize(32, 32), green);
    image = paint();
    EXPECT_EQ(countColour(image, tileRect(view.metrics, 1), green), drawn);
    EXPECT_EQ(countColour(image, tileRect(view.metrics, 1), red), 0);
}

// Repainting some tiles draws them as a full paint does and leaves every
// other pixel alone: other tiles, the edge strip, the frame, the separators.
TEST_F(StripPainter, OnlyWhatMeetsTheDirtyRegionIsDrawn)
{
    for (const bool row : {true, false}) {
        SCOPED_TRACE(row ? "row" : "column");
        view.metrics.row = row;
        for (const int status : {STATUS_UP, STATUS_DOWN, STATUS_CHECKING, STATUS_DISABLED})
            addBox(status);
        const QRegion dirty = QRegion(tileRect(view.metrics, 2)) + tileRect(view.metrics, 4);
        const QImage full = paint();
        const QImage part = paint(dirty);
        for (int y = 0; y < part.height(); ++y)
            for (int x = 0; x < part.width(); ++x)
                ASSERT_EQ(part.pixel(x, y), dirty.contains(QPoint(x, y)) ? full.pixel(x, y) : kBackground)
                    << x << "," << y;
        for (BoxRecord*& box : boxes)
            delete std::exchange(box, nullptr);
    }
}
