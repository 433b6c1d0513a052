#include "StripPainter.h"

#include "core/Placeholders.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QRegion>
#include <QStaticText>
#include <QStringList>
#include <QTextOption>

#include <vector>

namespace {

const QColor kMarker(154, 1, 39);

bool isError(int status)
{
    return status == STATUS_NET_ERROR || status == STATUS_IP_ERROR;
}

bool showsAllLines(int status)
{
    return status == STATUS_UP || status == STATUS_DOWN || status == STATUS_CLOSE;
}

// A tile's texts laid out once: a tile is repainted whenever its reply time
// changes, and shaping its lines again each time cost more than the rest of
// its painting. Lines of the fonts in use are kept until there are too many.
class TileTextCache
{
public:
    struct Line
    {
        QStaticText text;
        int width = 0;   // as the fitting rule measures it
        qreal exact = 0; // for centring
    };

    const Line& line(const QFont& font, Qt::LayoutDirection direction, const QString& text)
    {
        if (m_count >= kMaxLines)
            clear();
        Lines* lines = nullptr;
        for (Kept& kept : m_kept)
            if (kept.direction == direction && kept.font == font)
                lines = &kept.lines;
        if (!lines) {
            m_kept.push_back({font, direction, Lines()});
            lines = &m_kept.back().lines;
        }
        auto found = lines->constFind(text);
        if (found != lines->constEnd())
            return *found;
        // One line, as drawing text on a single line shows it: only the first
        // of several variants, tabs and line breaks as blanks.
        QString shown = text.left(text.indexOf(QChar(0x9C)));
        for (QChar& c : shown)
            if (c == u'\t' || c == u'\n' || c == u'\r')
                c = u' ';
        Line line;
        QTextOption option;
        option.setTextDirection(direction);
        line.text.setTextOption(option);
        line.text.setTextFormat(Qt::PlainText);
        line.text.setText(shown);
        line.text.prepare(QTransform(), font);
        line.width = QFontMetrics(font).horizontalAdvance(text);
        line.exact = QFontMetricsF(font).horizontalAdvance(shown);
        ++m_count;
        return *lines->insert(text, line);
    }

    void clear()
    {
        m_kept.clear();
        m_count = 0;
    }

private:
    using Lines = QHash<QString, Line>;
    struct Kept
    {
        QFont font;
        Qt::LayoutDirection direction;
        Lines lines;
    };
    static constexpr int kMaxLines = 2048;
    std::vector<Kept> m_kept;
    int m_count = 0;
};

// Pictures at the size their tiles show them, scaled once rather than at
// every repaint; boxes that share a picture share its scaled copy.
class ScaledPictureCache
{
public:
    void clear()
    {
        m_entries.clear();
        m_bytes = 0;
    }

    QImage scaled(const QImage& image, QSize size)
    {
        const Key key{image.cacheKey(), size.width(), size.height()};
        for (const Entry& entry : m_entries)
            if (entry.key == key)
                return entry.image;
        // Scaled smoothly, so that a picture drawn smaller keeps its thin
        // lines and dots rather than losing every other one.
        QImage scaled = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (m_bytes + scaled.sizeInBytes() > kMaxBytes)
            clear();
        if (scaled.sizeInBytes() <= kMaxBytes) {
            m_bytes += scaled.sizeInBytes();
            m_entries.push_back({key, scaled});
        }
        return scaled;
    }

private:
    struct Key
    {
        qint64 image;
        int width;
        int height;
        bool operator==(const Key&) const = default;
    };
    struct Entry
    {
        Key key;
        QImage image;
    };
    static constexpr qsizetype kMaxBytes = 1024 * 1024;
    std::vector<Entry> m_entries;
    qsizetype m_bytes = 0;
};

// Painting happens on the user-interface thread only. What the caches hold
// (fonts, laid-out glyphs) goes with the application, before the font
// database it comes from.
struct PaintCaches
{
    TileTextCache texts;
    ScaledPictureCache pictures;
};

PaintCaches& paintCaches()
{
    static PaintCaches caches;
    static const bool registered = [] {
        qAddPostRoutine([] {
            paintCaches().texts.clear();
            paintCaches().pictures.clear();
        });
        return true;
    }();
    Q_UNUSED(registered);
    return caches;
}

// One line, top-aligned: centred when it fits the tile, else from the left and
// cut at the right edge.
void drawTileText(QPainter& painter, const QRect& rect, int tileWidth, const QString& text)
{
    const Qt::LayoutDirection direction = painter.layoutDirection();
    const TileTextCache::Line& line = paintCaches().texts.line(painter.font(), direction, text);
    const bool fits = line.width <= tileWidth;
    // A text too wide for the tile starts at the reading direction's side.
    qreal x = rect.x();
    if (fits)
        x += (rect.width() - line.exact) / 2;
    else if (direction == Qt::RightToLeft)
        x += rect.width() - line.exact;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawStaticText(QPointF(x, rect.y()), line.text);
    painter.restore();
}

void drawFitted(QPainter& painter, const QImage& image, QSize size, const QRect& area)
{
    if (image.isNull() || size.isEmpty() || area.isEmpty())
        return;
    const QRect target = fitIcon(size, area);
    if (target.isEmpty())
        return;
    if (image.size() == target.size())
        painter.drawImage(target.topLeft(), image);
    else
        painter.drawImage(target.topLeft(), paintCaches().pictures.scaled(image, target.size()));
}

void paintTile(QPainter& painter, const StripView& view, const StripResources& res, BoxRecord& box,
               const QRect& tile, const QRect& picture)
{
    const int status = box.m_nStatus;

    // Fill.
    if (status == STATUS_UP)
        painter.fillRect(tile, colorOf(box.OnLineBoxColor));
    else if (status == STATUS_DOWN || status == STATUS_CLOSE)
        painter.fillRect(tile, colorOf(box.OffLineBoxColor));
    else if (isError(status) || status == STATUS_CHECKING || status == STATUS_DISABLED)
        painter.fillRect(tile, Qt::white);

    // Picture or built-in icon.
    if (status == STATUS_UP) {
        if (box.PicTypeOnLine == 1)
            drawFitted(painter, box.m_hOnLineIcon,
                       QSize(box.m_bmOnLineIcon.bmWidth, box.m_bmOnLineIcon.bmHeight), picture);
    } else if (box.PicTypeOffLine == 1) {
        if (status == STATUS_DOWN || status == STATUS_CLOSE)
            drawFitted(painter, box.m_hOffLineIcon,
                       QSize(box.m_bmOffLineIcon.bmWidth, box.m_bmOffLineIcon.bmHeight), picture);
        else if (isError(status))
            drawFitted(painter, res.errorIcon, res.iconSize, builtInIconArea(tile));
        else if (status == STATUS_CHECKING)
            drawFitted(painter, res.checkingIcon, res.iconSize, builtInIconArea(tile));
        else if (status == STATUS_DISABLED)
            drawFitted(painter, res.disabledIcon, res.iconSize, builtInIconArea(tile));
    }

    // Texts.
    painter.setFont(res.nameFont);
    QColor textColor = Qt::black;
    if (status == STATUS_UP)
        textColor = colorOf(box.OnLineTextColor);
    else if (status == STATUS_DOWN || status == STATUS_CLOSE)
        textColor = colorOf(box.OffLineTextColor);
    painter.setPen(textColor);
    drawTileText(painter, nameBandRect(tile), tile.width(), box.Text);
    if (isError(status) || status == STATUS_CHECKING || status == STATUS_DISABLED) {
        const QString word = messageStatusWord(status, box.VerifyMetod);
        box.m_strStatusText = word;
        painter.setPen(Qt::black);
        drawTileText(painter, statusWordRect(tile), tile.width(), word);
        painter.setPen(textColor);
    }

    painter.setFont(res.infoFont);
    QStringList lines;
    if (view.showTargetAndMethod) {
        lines << box.IPAdress << methodLine(box.VerifyMetod, box.Port);
    }
    const bool quiet = isError(status) || status == STATUS_CHECKING;
    if (view.showStatus && !quiet)
        lines << statusLine(status, box.VerifyMetod);
    if (view.showReplyTime && !quiet)
        lines << replyLine(status, box.m_dwLastValue);
    const int shown = showsAllLines(status) ? 4 : 2;
    for (int k = 0; k < lines.size() && k < shown; ++k)
        drawTileText(painter, infoLineRect(tile, k), tile.width(), lines[k]);
}

void paintMarker(QPainter& painter, const StripView& view)
{
    if (!view.highlight)
        return;
    // Dotted: every other pixel.
    QPen pen(kMarker, 1, Qt::CustomDashLine);
    pen.setDashPattern({1, 1});
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const StripMetrics& m = view.metrics;
    if (!view.addMode) {
        if (view.selectedBox >= 1 && view.selectedBox <= m.n) {
            const QRect tile = tileRect(m, view.selectedBox);
            painter.drawRect(tile.adjusted(0, 0, -1, -1));
        }
        return;
    }
    if (view.selectedBox < 1) {
        if (m.row)
            painter.drawLine(8, 1, 8, m.h);
        else
            painter.drawLine(m.w, 8, 1, 8);
        return;
    }
    const QRect tile = tileRect(m, view.selectedBox);
    if (m.row)
        painter.drawLine(tile.right(), tile.top(), tile.right(), tile.bottom());
    else
        painter.drawLine(tile.left(), tile.bottom(), tile.right(), tile.bottom());
}

} // namespace

void paintBoxTile(QPainter& painter, const StripView& view, const StripResources& res, BoxRecord& box,
                  const QRect& tile, const QRect& picture)
{
    paintTile(painter, view, res, box, tile, picture);
}

QColor colorOf(uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QString methodLine(int method, uint32_t port)
{
    switch (method) {
    case METHOD_PING:
        return QStringLiteral("模式: Ping");
    case METHOD_TCP:
        return QStringLiteral("模式: TCP %1").arg(int32_t(port));
    case METHOD_URL:
        return QStringLiteral("模式: URL");
    default:
        return QString();
    }
}

QString statusLine(int status, int method)
{
    if (status == STATUS_UP)
        return method == METHOD_TCP ? QStringLiteral("状态: 打开") : QStringLiteral("状态: 上");
    if (status == STATUS_DOWN)
        return QStringLiteral("状态: 下");
    if (status == STATUS_CLOSE && method == METHOD_TCP)
        return QStringLiteral("状态: 关闭");
    return QString();
}

QString replyLine(int status, uint32_t replyTime)
{
    if (status == STATUS_DOWN)
        return QStringLiteral("Reply: Timeout");
    if (replyTime == 0 && (status == STATUS_UP || status == STATUS_CLOSE))
        return QStringLiteral("Reply: <1 ms");
    // No reply (a disabled box, say) shows an empty line, not the marker value.
    if (replyTime == 0xFFFFFFFF)
        return QString();
    return QStringLiteral("响应: %1 ms").arg(replyTime);
}

namespace {
// The tile's texts were laid out for fonts of cell height 12 and average widths 5
// (name) and 4 (info lines). Qt sizes a font by its em, so the faces here are
// condensed ones at the em size whose cell (ascent + descent) fits the band
// the text is drawn in: info lines are 10 rows apart, so their cell is 10
// rows; the name band is 13 rows. Chinese comes from the fallback face at the
// same em, which stays inside the same cell. Full hinting keeps the cell the
// same on every platform plug-in.
QFont stripFont(int pixelSize, QFont::Weight weight)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setStyleHint(QFont::SansSerif);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}
} // namespace

QFont stripNameFont()
{
    return stripFont(10, QFont::DemiBold);
}

QFont stripInfoFont()
{
    return stripFont(9, QFont::Normal);
}

void paintStrip(QPainter& painter, const StripView& view, const StripResources& res, const BoxArray& boxes,
                const QRegion& dirty)
{
    const StripMetrics& m = view.metrics;
    const QSize size = stripWindowSize(m);
    painter.setBackgroundMode(Qt::TransparentMode);
    const int band = bandHeight(view.showStatus, view.showTargetAndMethod, view.showReplyTime);

    // Only what lies in the dirty region is drawn: repainting tiles leaves
    // the edge strip, the frame and the separators alone.
    const QImage& edge = m.row ? res.stripRow : res.stripColumn;
    if (dirty.intersects(QRect(QPoint(1, 1), edge.size())))
        painter.drawImage(QPoint(1, 1), edge);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    const QRect frame(0, 0, size.width(), size.height());
    if (!QRegion(frame).subtracted(frame.adjusted(1, 1, -1, -1)).intersected(dirty).isEmpty())
        painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    for (int k = 0; k < m.n; ++k) {
        const int at = 7 + k * ((m.row ? m.w : m.h) + 1);
        const QRect line = m.row ? QRect(at, 0, 1, size.height()) : QRect(0, at, size.width(), 1);
        if (dirty.intersects(line))
            painter.drawLine(line.topLeft(), line.bottomRight());
    }

    for (int number = 1; number <= m.n; ++number) {
        BoxRecord* box = boxes[size_t(number - 1)];
        const QRect tile = tileRect(m, number);
        if (box && dirty.intersects(tile))
            paintTile(painter, view, res, *box, tile, pictureArea(tile, band));
    }
    paintMarker(painter, view);
}
