// The program's icon and the notification icons, drawn for each size.
#include "ui/dialogs/QtMessageBox.h"

#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

namespace {

// The rectangle of pixels that are not fully transparent.
QRect opaqueBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

int differing(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

// Each size is drawn for itself and fills its square: nothing is scaled
// down into a corner of the slot.
void expectDrawnForEachSize(const QIcon& icon, std::initializer_list<int> sizes)
{
    const QList<QSize> available = icon.availableSizes();
    for (int size : sizes) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(available.contains(QSize(size, size)));
        const QImage image = icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        const QRect bounds = opaqueBounds(image);
        EXPECT_EQ(bounds, QRect(0, 0, size, size));
        // Crisp: every pixel fully opaque, none a blend of a smaller picture.
        int translucent = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                translucent += qAlpha(image.pixel(x, y)) != 255;
        EXPECT_EQ(translucent, 0);
    }
}

TEST(Icons, TheProgramIconIsDrawnForEverySize)
{
    expectDrawnForEachSize(platform::programIcon(), {16, 22, 24, 32, 48, 256});
}

TEST(Icons, TheTrayIconsAreDrawnForTheSizesTraysUse)
{
    for (int instance = 0; instance < 3; ++instance) {
        SCOPED_TRACE(instance);
        expectDrawnForEachSize(platform::trayIcon(instance), {16, 22, 24, 32});
    }
}

// At 16 pixels the three instances differ by a mark of their own, not by a
// few pixels: a badge with the instance's number on its own colour.
TEST(Icons, TheInstanceMarkIsReadableAtSixteenPixels)
{
    QImage icons[3];
    for (int instance = 0; instance < 3; ++instance)
        icons[instance] = platform::trayIcon(instance)
                              .pixmap(QSize(16, 16))
                              .toImage()
                              .convertToFormat(QImage::Format_ARGB32);
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b)
            EXPECT_GE(differing(icons[a], icons[b]), 25) << a << " and " << b;
    // The digit's pixels differ between every two instances, not only the
    // badge's colour: the numbers 1, 2 and 3 in white.
    const QRect badge(9, 7, 7, 9);
    int white[3] = {0, 0, 0};
    for (int instance = 0; instance < 3; ++instance)
        for (int y = badge.top() + 2; y <= badge.bottom() - 2; ++y)
            for (int x = badge.left() + 2; x <= badge.right() - 2; ++x)
                white[instance] += icons[instance].pixel(x, y) == qRgb(255, 255, 255);
    for (int instance = 0; instance < 3; ++instance)
        EXPECT_GE(white[instance], 7) << instance;
    QImage masks[3];
    for (int instance = 0; instance < 3; ++instance) {
        masks[instance] = QImage(badge.size(), QImage::Format_ARGB32);
        for (int y = 0; y < badge.height(); ++y)
            for (int x = 0; x < badge.width(); ++x)
                masks[instance].setPixel(x, y,
                                         icons[instance].pixel(badge.left() + x, badge.top() + y) ==
                                                 qRgb(255, 255, 255)
                                             ? qRgb(255, 255, 255)
                                             : qRgb(0, 0, 0));
    }
    EXPECT_GE(differing(masks[0], masks[1]), 3);
    EXPECT_GE(differing(masks[1], masks[2]), 2);
    EXPECT_GE(differing(masks[0], masks[2]), 3);
}

} // namespace
