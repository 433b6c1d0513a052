// The two sample tiles of the box properties preview, painted through the
// strip's own tile painter.
#include "TestSupport.h"

#include "platform/IconLoader.h"
#include "ui/BoxPreview.h"
#include "ui/StripPainter.h"

#include <QHBoxLayout>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

const QRgb kBackground = qRgb(10, 200, 10);
const QRgb kPicture = qRgb(250, 0, 0);

StripResources fonts()
{
    StripResources r;
    r.nameFont = stripNameFont();
    r.infoFont = stripInfoFont();
    return r;
}

PreviewTile tileWith(QSize iconSize, bool up = true)
{
    PreviewTile t;
    t.up = up;
    t.fill = 0xFED1C5;
    t.text = 0xFF0000; // blue
    if (!iconSize.isEmpty()) {
        t.icon = QImage(iconSize, QImage::Format_ARGB32);
        t.icon.fill(kPicture);
        t.iconSize = BitmapSize{iconSize.width(), iconSize.height()};
    }
    return t;
}

QImage paint(const PreviewTile& t, const QRect& tile)
{
    QImage image(120, 100, QImage::Format_ARGB32);
    image.fill(kBackground);
    QPainter painter(&image);
    paintPreviewTile(painter, tile, t, fonts());
    return image;
}

QRect boundsOf(const QImage& image, QRgb colour)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST(BoxPreview, PicturesAreFittedIntoTheEightyByTwentyFiveArea)
{
    const QRect tile(10, 10, 80, 60);
    EXPECT_EQ(previewPictureArea(tile), QRect(10, 32, 80, 25));
    struct Case
    {
        QSize icon;
        QRect drawn;
    };
    const Case cases[] = {
        {{48, 48}, {38, 32, 25, 25}}, // a square fills the smaller side
        {{16, 16}, {38, 32, 25, 25}},
        {{100, 10}, {10, 39, 80, 10}}, // each side clamped on its own
        {{20, 40}, {40, 32, 20, 25}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(boundsOf(paint(tileWith(c.icon), tile), kPicture), c.drawn)
            << c.icon.width() << "x" << c.icon.height();
    }
    EXPECT_TRUE(boundsOf(paint(tileWith({}), tile), kPicture).isNull());
}

TEST(BoxPreview, EachTileWearsItsStatesColoursAndNoOtherLines)
{
    const QRect tile(10, 10, 80, 60);
    for (bool up : {true, false}) {
        PreviewTile t = tileWith({32, 32}, up);
        t.fill = up ? 0x00FFFF : 0x797979;
        t.name = QStringLiteral("WWWW");
        const QImage image = paint(t, tile);
        const QRgb fill = up ? qRgb(255, 255, 0) : qRgb(121, 121, 121);
        // Filled exactly inside the tile, nothing outside it.
        EXPECT_EQ(image.pixel(tile.left(), tile.top() + 30), fill);
        EXPECT_EQ(image.pixel(tile.right(), tile.bottom()), fill);
        EXPECT_EQ(image.pixel(tile.left() - 1, tile.top()), kBackground);
        EXPECT_EQ(image.pixel(tile.right() + 1, tile.bottom() + 1), kBackground);
        // The name in the text colour, in its band at the bottom.
        bool blue = false;
        for (int y = tile.bottom() - 12; y <= tile.bottom(); ++y)
            for (int x = tile.left(); x <= tile.right(); ++x)
                blue = blue || (qBlue(image.pixel(x, y)) > 200 && qRed(image.pixel(x, y)) < 80);
        EXPECT_TRUE(blue) << up;
    }
}

TEST(BoxPreview, TilesWithFramesAsTheDialogShowsThem)
{
    QWidget pair;
    auto* layout = new QHBoxLayout(&pair);
    auto* up = new CPreviewTile(&pair);
    auto* down = new CPreviewTile(&pair);
    layout->addWidget(up);
    layout->addWidget(down);
    PreviewTile t = tileWith({});
    t.icon = platform::loadIconFile(QStringLiteral(":/images/1274607096_Desktop.ico"));
    ASSERT_FALSE(t.icon.isNull());
    t.iconSize = BitmapSize{t.icon.width(), t.icon.height()};
    t.name = QStringLiteral("Web server");
    t.target = QStringLiteral("192.168.100.200");
    t.method = METHOD_TCP;
    t.port = 8080;
    up->SetTile(t);
    t.up = false;
    t.fill = 0x797979;
    t.text = 0xFFFFFF;
    t.icon = platform::loadIconFile(QStringLiteral(":/images/1274607096_Desktop_bw.ico"));
    down->SetTile(t);
    EXPECT_EQ(up->size(), QSize(88, 68));
    const QImage shot = up->grab().toImage();
    // The black border just outside the 80 by 60 tile.
    EXPECT_EQ(shot.pixel(3, 3), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(84, 64), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(4, 40), qRgb(197, 209, 254));
    test::saveDialogPicture(&pair, QStringLiteral("box_preview_tiles"));
}

} // namespace
