#include "BoxPreview.h"

#include "StripPainter.h"

#include <QPainter>
#include <qdrawutil.h>

QRect previewPictureArea(const QRect& tile)
{
    return QRect(tile.left(), tile.top() + 22, tile.width(), tile.height() - 22 - 13);
}

void paintPreviewTile(QPainter& painter, const QRect& tile, const PreviewTile& preview,
                      const StripResources& resources)
{
    // A box record of its own, so the strip's painter sees exactly what a
    // box in the strip would hold; it never runs a check.
    BoxRecord box(nullptr, 0);
    box.m_nStatus = preview.up ? STATUS_UP : STATUS_DOWN;
    box.Text = preview.name;
    box.IPAdress = preview.target;
    box.VerifyMetod = preview.method;
    box.Port = preview.port;
    box.PicTypeOnLine = 1;
    box.PicTypeOffLine = 1;
    (preview.up ? box.OnLineBoxColor : box.OffLineBoxColor) = preview.fill;
    (preview.up ? box.OnLineTextColor : box.OffLineTextColor) = preview.text;
    (preview.up ? box.m_hOnLineIcon : box.m_hOffLineIcon) = preview.icon;
    (preview.up ? box.m_bmOnLineIcon : box.m_bmOffLineIcon) = preview.iconSize;

    StripView view;
    view.showStatus = false;
    view.showReplyTime = false;
    view.showTargetAndMethod = true;
    painter.save();
    painter.setBackgroundMode(Qt::TransparentMode);
    paintBoxTile(painter, view, resources, box, tile, previewPictureArea(tile));
    painter.restore();
}

CPreviewTile::CPreviewTile(QWidget* parent) : QWidget(parent)
{
    setFixedSize(sizeHint());
}

void CPreviewTile::SetTile(const PreviewTile& tile)
{
    m_tile = tile;
    update();
}

QSize CPreviewTile::sizeHint() const
{
    return QSize(kPreviewTileWidth + 2 * kPreviewFrameMargin, kPreviewTileHeight + 2 * kPreviewFrameMargin);
}

void CPreviewTile::paintEvent(QPaintEvent*)
{
    StripResources resources;
    resources.nameFont = stripNameFont();
    resources.infoFont = stripInfoFont();
    QPainter painter(this);
    qDrawShadePanel(&painter, rect(), palette(), true, 1);
    const QRect tile(kPreviewFrameMargin, kPreviewFrameMargin, kPreviewTileWidth, kPreviewTileHeight);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(tile.adjusted(-1, -1, 0, 0));
    paintPreviewTile(painter, tile, m_tile, resources);
}
