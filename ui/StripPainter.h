#pragma once

#include "StripGeometry.h"
#include "core/ConfigStore.h"

#include <QFont>
#include <QImage>
#include <QSize>

class QPainter;
class QRegion;

// What the strip is painted with: the edge-strip bitmaps, the built-in
// status icons and the two fonts.
struct StripResources
{
    QImage stripRow;    // 7 by 300, for the row layout
    QImage stripColumn; // 300 by 7, for the column layout
    QImage errorIcon;
    QImage checkingIcon;
    QImage disabledIcon;
    QSize iconSize{32, 32}; // the size the built-in icons are fitted at
    QFont nameFont;
    QFont infoFont;
};

// The strip's state for one paint.
struct StripView
{
    StripMetrics metrics;
    bool showStatus = true;
    bool showTargetAndMethod = true;
    bool showReplyTime = true;
    int selectedBox = 0; // 1-based, 0 for none
    bool highlight = false;
    bool addMode = false;
};

// Paints what of the strip meets `dirty`: edge strip, frame, separators,
// then each tile (fill, picture, texts), then the marker. Stores the status word of
// an error, checking or disabled box in its status text, as it draws it.
void paintStrip(QPainter& painter, const StripView& view, const StripResources& resources,
                const BoxArray& boxes, const QRegion& dirty);

// One tile as the strip paints it (fill, picture fitted into `picture`,
// texts), at any place: the box properties preview paints its sample tiles
// through it too.
void paintBoxTile(QPainter& painter, const StripView& view, const StripResources& resources, BoxRecord& box,
                  const QRect& tile, const QRect& picture);

// The lines of text a tile shows, for tests and for painting alike.
QString statusLine(int status, int method);
QString replyLine(int status, uint32_t replyTime);
QString methodLine(int method, uint32_t port);

// COLORREF (red in the low byte) as a colour.
QColor colorOf(uint32_t colorref);

// The fonts of the strip: DejaVu Sans Condensed (else Liberation Sans Narrow),
// the name at 10 pixels in semi-bold, the info lines at 9 pixels, with
// WenQuanYi Micro Hei for Chinese.
QFont stripNameFont();
QFont stripInfoFont();
