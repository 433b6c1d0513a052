#pragma once

#include "core/BoxRecord.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

class QPainter;
struct StripResources;

// One sample tile of the box properties preview: the box's look in one state
// with its name, target and method.
struct PreviewTile
{
    bool up = true; // the Up (Open) tile, else the Down tile
    QString name;
    QString target;
    int method = METHOD_PING;
    uint32_t port = 0;
    COLORREF fill = 0;
    COLORREF text = 0;
    QImage icon;
    BitmapSize iconSize;
};

// The preview's sizes: an 80 by 60 tile inside a one-pixel black border,
// inside a sunken edge with a gap of two pixels.
constexpr int kPreviewTileWidth = 80;
constexpr int kPreviewTileHeight = 60;
constexpr int kPreviewFrameMargin = 4;

// The picture area of a preview tile: its width, from 22 pixels below its
// top to 13 above its bottom.
QRect previewPictureArea(const QRect& tile);

// Paints the tile (inside `tile`, 80 by 60) through the strip's own tile
// painter with the strip's fonts: no status line and no reply line, the
// target and mode lines whatever the strip shows.
void paintPreviewTile(QPainter& painter, const QRect& tile, const PreviewTile& preview,
                      const StripResources& resources);

// One preview tile with its sunken edge and black border, 88 by 68 pixels.
class CPreviewTile : public QWidget
{
    Q_OBJECT
public:
    explicit CPreviewTile(QWidget* parent = nullptr);
    void SetTile(const PreviewTile& tile);
    const PreviewTile& Tile() const { return m_tile; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PreviewTile m_tile;
};
