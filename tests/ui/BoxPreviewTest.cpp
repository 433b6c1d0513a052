// The sample tiles of the box properties preview, painted through the
// strip's own tile painter.
#include "TestSupport.h"

#include "ui/BoxPreview.h"
#include "ui/StripPainter.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

const QRgb kBackground = qRgb(10, 200, 10);
const QRgb kPicture = qRgb(250, 0, 0);

QImage paint(const PreviewTile& t, const QRect& tile)
{
    StripResources fonts;
    fonts.nameFont = stripNameFont();
    fonts.infoFont = stripInfoFont();
    QImage image(120, 100, QImage::Format_ARGB32);
    image.fill(kBackground);
    QPainter painter(&image);
    paintPreviewTile(painter, tile, t, fonts);
    return image;
}

TEST(BoxPreview, PicturesFitTheEightyByTwentyFiveAreaAndTilesWearTheirColours)
{
    const QRect tile(10, 10, 80, 60);
    struct Case
    {
        bool up;
        QSize icon;
        QRect drawn;
    };
    const Case cases[] = {
        {true, {48, 48}, {38, 32, 25, 25}}, // a square fills the smaller side
        {false, {16, 16}, {38, 32, 25, 25}},
        {true, {100, 10}, {10, 39, 80, 10}}, // each side clamped on its own
        {false, {20, 40}, {40, 32, 20, 25}},
        {true, {}, {}},
    };
    for (const Case& c : cases) {
        PreviewTile t;
        t.up = c.up;
        t.fill = c.up ? 0x00FFFF : 0x797979;
        if (!c.icon.isEmpty()) {
            t.icon = QImage(c.icon, QImage::Format_ARGB32);
            t.icon.fill(kPicture);
            t.iconSize = BitmapSize{c.icon.width(), c.icon.height()};
        }
        const QImage image = paint(t, tile);
        QRect drawn;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == kPicture)
                    drawn |= QRect(x, y, 1, 1);
        EXPECT_EQ(drawn, c.drawn) << c.icon.width() << "x" << c.icon.height();
        const QRgb fill = c.up ? qRgb(255, 255, 0) : qRgb(121, 121, 121);
        EXPECT_EQ(image.pixel(tile.left(), tile.top() + 1), fill);
        EXPECT_EQ(image.pixel(tile.right() + 1, tile.bottom() + 1), kBackground);
    }
}

} // namespace
