#include "KorvalenDlg.h"

#include <QPaintEvent>
#include <QPainter>

#include <utility>

StripMetrics CKorvalenDlg::Metrics() const
{
    return stripMetrics(XBox, YBox, NumBox, WinPos);
}

StripView CKorvalenDlg::View() const
{
    StripView view;
    view.metrics = Metrics();
    view.showStatus = m_bShowStatus != 0;
    view.showTargetAndMethod = m_bShowIPandMethod != 0;
    view.showReplyTime = m_bShowReplyTime;
    view.selectedBox = m_nSelectedBox;
    view.highlight = m_bHighlight;
    view.addMode = m_bAddMode;
    return view;
}

void CKorvalenDlg::paintEvent(QPaintEvent* event)
{
    OnPaint(event->region());
}

void CKorvalenDlg::OnPaint(const QRegion& dirty)
{
    QPainter painter(this);
    paintStrip(painter, View(), m_resources, m_pBoxes, dirty);
}

void CKorvalenDlg::PaintTile(int nNumber)
{
    // NumBox + 1 is the copy of the last box while it is duplicated.
    if (nNumber < 1 || nNumber > NumBox + 1 || nNumber > kMaxBoxes)
        return;
    StripMetrics metrics = Metrics();
    metrics.n = std::max(metrics.n, nNumber);
    const QRect tile = tileRect(metrics, nNumber);
    // Results that arrive together are painted together, in one paint of
    // the window, as soon as the last of them is handled.
    if (m_hWnd && m_hWnd->inRun()) {
        m_pendingTiles += tile;
        return;
    }
    repaint(tile);
}

void CKorvalenDlg::PaintPendingTiles()
{
    if (m_pendingTiles.isEmpty())
        return;
    const QRegion tiles = std::exchange(m_pendingTiles, QRegion());
    repaint(tiles);
}
