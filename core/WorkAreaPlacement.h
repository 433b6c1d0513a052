#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The top-left corner that centres a window of the given size in a work area,
// the area's own left and top edges included (a second screen's work area
// does not start at 0). A window wider (taller) than the area starts at its
// left (top) edge, so that its start, where the strip's handle is, stays on
// the area. Each half is an integer division.
inline QPoint centredInWorkArea(QSize window, const QRect& workArea)
{
    const auto along = [](int start, int room, int length) {
        return length > room ? start : start + room / 2 - length / 2;
    };
    return QPoint(along(workArea.x(), workArea.width(), window.width()),
                  along(workArea.y(), workArea.height(), window.height()));
}
