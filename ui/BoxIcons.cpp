#include "BoxIcons.h"

#include "core/Skins.h"
#include "platform/desktop/Dialogs.h"
#include "platform/desktop/IconLoader.h"
#include "platform/desktop/MessageBox.h"
#include "platform/files/CopyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vector>

namespace {

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

void put16(QByteArray& out, uint32_t v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

int padded(int bytes)
{
    return (bytes + 3) / 4 * 4;
}

// The bitmaps of an icon as the writer sees them: a 32-bit colour bitmap and
// a monochrome mask, whose rows are word-aligned as the system reports them.
struct IconBitmaps
{
    static constexpr int kPlanes = 1;
    static constexpr int kBitsPerPixel = 32;
    int width;
    int height;
    int colorRowBytes() const { return width * 4; }
    int maskRowBytes() const { return (width + 15) / 16 * 2; }
    int colorImageBytes() const { return padded(colorRowBytes()) * height; }
    int maskImageBytes() const { return padded(maskRowBytes()) * height; }
};

void putDirectoryEntry(QByteArray& out, const IconBitmaps& bm, uint32_t offset)
{
    out.append(char(bm.width & 0xFF));
    out.append(char(bm.height & 0xFF));
    const int colorBits = bm.kPlanes * bm.kBitsPerPixel;
    out.append(char(colorBits < 8 ? 1 << colorBits : 0));
    out.append('\0');
    put16(out, bm.kPlanes);
    put16(out, bm.kBitsPerPixel);
    put32(out, uint32_t(40 + bm.colorImageBytes() + bm.maskImageBytes()));
    put32(out, offset);
}

void putImage(QByteArray& out, const QImage& argb, const IconBitmaps& bm)
{
    put32(out, 40);
    put32(out, uint32_t(bm.width));
    put32(out, uint32_t(bm.height * 2));
    put16(out, bm.kPlanes);
    put16(out, bm.kBitsPerPixel);
    put32(out, 0);
    put32(out, uint32_t(bm.colorImageBytes() + bm.maskImageBytes()));
    for (int i = 0; i < 4; ++i)
        put32(out, 0);

    const QByteArray colorPadding(padded(bm.colorRowBytes()) - bm.colorRowBytes(), '\0');
    for (int y = bm.height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < bm.width; ++x) {
            out.append(char(qBlue(row[x])));
            out.append(char(qGreen(row[x])));
            out.append(char(qRed(row[x])));
            out.append(char(qAlpha(row[x])));
        }
        out += colorPadding;
    }
    const QByteArray maskPadding(padded(bm.maskRowBytes()) - bm.maskRowBytes(), '\0');
    for (int y = bm.height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        QByteArray bits(bm.maskRowBytes(), '\0');
        for (int x = 0; x < bm.width; ++x)
            if (qAlpha(row[x]) == 0)
                bits[x / 8] = char(uchar(bits[x / 8]) | (0x80 >> (x % 8)));
        out += bits;
        out += maskPadding;
    }
}

} // namespace

void BoxPicture::SetFile(const QString& picturesDir, const QString& name)
{
    fileName = name;
    fullPath = skins::PictureFilePath(picturesDir, name);
}

void BoxPicture::Load()
{
    icon = QImage();
    if (GetExtension(fullPath).toLower() == QStringLiteral("ico"))
        icon = platform::loadIconFile(fullPath);
    UpdateSize();
}

void BoxPicture::Empty()
{
    icon = QImage();
    fileName.clear();
    fullPath.clear();
    UpdateSize();
}

void BoxPicture::UpdateSize()
{
    size = icon.isNull() ? BitmapSize{} : BitmapSize{icon.width(), icon.height()};
}

QImage MakeGreyIcon(const QImage& icon)
{
    if (icon.isNull())
        return QImage();
    QImage grey = icon.convertToFormat(QImage::Format_ARGB32);
    if (grey.isNull())
        return QImage();
    for (int y = 0; y < grey.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            int g = (qRed(row[x]) + qGreen(row[x]) + qBlue(row[x])) / 3;
            if (g == 255)
                g = 254;
            row[x] = qRgba(g, g, g, qAlpha(row[x]));
        }
    }
    return grey;
}

QByteArray EncodeIconFile(const QImage* icons, int count)
{
    if (!icons || count < 1 || count > 0xFFFF)
        return QByteArray();
    std::vector<QImage> images;
    std::vector<IconBitmaps> bitmaps;
    for (int i = 0; i < count; ++i) {
        QImage image = icons[i].convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            return QByteArray();
        bitmaps.push_back(IconBitmaps{image.width(), image.height()});
        images.push_back(std::move(image));
    }

    QByteArray directory;
    put16(directory, 0);
    put16(directory, 1);
    put16(directory, uint32_t(count));
    QByteArray body;
    const qsizetype firstImage = 6 + 16 * qsizetype(count);
    for (int i = 0; i < count; ++i) {
        putDirectoryEntry(directory, bitmaps[size_t(i)], uint32_t(firstImage + body.size()));
        putImage(body, images[size_t(i)], bitmaps[size_t(i)]);
    }
    return directory + body;
}

int SaveIconsToFile(const QString& path, const QImage* icons, int count, QString* error)
{
    const QByteArray bytes = EncodeIconFile(icons, count);
    if (bytes.isEmpty() || path.isEmpty())
        return 0;
    return platform::writeFileReplacing(path, bytes, error, platform::FinalLink::Refuse) ? 1 : 0;
}

QString GetExtension(const QString& path)
{
    return path.size() <= 3 ? path : path.right(3);
}

QString GreyscaleFileName(const QString& upFileName)
{
    if (upFileName.contains(QLatin1Char('/')) || upFileName.contains(QLatin1Char('\\')))
        return QString();
    const QString base = upFileName.size() < 4 ? QString() : upFileName.left(upFileName.size() - 4);
    return base + QStringLiteral("_GSC.ico");
}

QString MakeGreyscaleCopy(const BoxPicture& up, BoxPicture& down, const QString& picturesDir)
{
    const QString name = GreyscaleFileName(up.fileName);
    if (up.icon.isNull() || name.isEmpty()) {
        down.Empty();
        return QString();
    }
    BoxPicture copy;
    copy.icon = MakeGreyIcon(up.icon);
    copy.SetFile(picturesDir, name);
    QString error;
    // A copy that cannot be written leaves the Down picture the box had.
    if (SaveIconsToFile(copy.fullPath, &copy.icon, 1, &error) == 0)
        return error;
    copy.UpdateSize();
    down = copy;
    return QString();
}

namespace {

bool sameContent(const QString& a, const QString& b)
{
    QFile fa(a);
    QFile fb(b);
    if (QFileInfo(a).size() != QFileInfo(b).size() || !fa.open(QIODevice::ReadOnly) ||
        !fb.open(QIODevice::ReadOnly))
        return false;
    while (!fa.atEnd()) {
        if (fa.read(65536) != fb.read(65536))
            return false;
    }
    return fb.atEnd();
}

} // namespace

ImportedPicture ImportPicture(const QString& chosenPath, const QString& picturesDir)
{
    const QFileInfo chosen(chosenPath);
    const QString name = chosen.fileName();
    if (GetExtension(name).toLower() == QStringLiteral("ico")) {
        QFile file(chosenPath);
        // A file that cannot be read is left to the copy, which says why.
        if (file.open(QIODevice::ReadOnly) && platform::decodeIcon(file.readAll()).isNull())
            return ImportedPicture{QString(),
                                   QStringLiteral("%1\nis not an icon file: it holds no picture Korvalen can "
                                                  "show. Choose an icon (.ico) file.")
                                       .arg(QDir::toNativeSeparators(chosenPath))};
    }
    QString target = joinPath(picturesDir, name);
    // A file that already lies in the pictures folder is taken as it is:
    // copying it over itself would cut it.
    if (QFileInfo(target).exists() && chosen.canonicalFilePath() == QFileInfo(target).canonicalFilePath())
        return ImportedPicture{name, QString()};

    const QString suffix = chosen.suffix().isEmpty() ? QString() : QLatin1Char('.') + chosen.suffix();
    const QString base = name.left(name.size() - suffix.size());
    QString fileName = name;
    for (int n = 2; QFileInfo::exists(target); ++n) {
        if (sameContent(chosenPath, target))
            return ImportedPicture{fileName, QString()};
        fileName = QStringLiteral("%1_%2%3").arg(base).arg(n).arg(suffix);
        target = joinPath(picturesDir, fileName);
    }
    QString error;
    platform::copyFileReplacing(chosenPath, target, &error, platform::FinalLink::Refuse);
    return ImportedPicture{fileName, error};
}

bool ChoosePicture(QWidget* parent, const QString& picturesDir, BoxPicture& picture)
{
    const QString chosen = platform::dialogService().getOpenFileName(parent, QStringLiteral("图标 (*.ico)"));
    if (chosen.isEmpty())
        return false;
    const ImportedPicture imported = ImportPicture(chosen, picturesDir);
    if (imported.fileName.isEmpty()) { // refused: the picture stays as it was
        platform::AfxMessageBox(parent, imported.error);
        return false;
    }
    picture.icon = QImage();
    picture.SetFile(picturesDir, imported.fileName);
    if (!imported.error.isEmpty())
        platform::AfxMessageBox(parent, imported.error);
    if (GetExtension(chosen).toLower() == QStringLiteral("ico"))
        picture.Load();
    picture.UpdateSize();
    return true;
}
