// Takes a picture of the whole X screen:
//   screen_grab OUT.png [X Y]
// saves it, and with a point prints that pixel's colour as "R G B".
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s OUT.png [X Y]\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1;
    const QImage image = screen->grabWindow(0).toImage();
    if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[1])))
        return 1;
    if (argc == 4) {
        const QRgb pixel = image.pixel(std::atoi(argv[2]), std::atoi(argv[3]));
        std::printf("%d %d %d\n", qRed(pixel), qGreen(pixel), qBlue(pixel));
    }
    return 0;
}
