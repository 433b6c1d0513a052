#include "KorvalenDlg.h"

#include "WindowSnap.h"
#include "core/Placeholders.h"
#include "core/Workers.h"
#include "platform/desktop/MessageBox.h"
#include "platform/programs/ProgramStart.h"
#include "platform/programs/Shell.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

namespace {

enum class EdgeButton
{
    None,
    Hide,
    Minimise,
    Layout,
    Drag
};

// The edge-strip button under a point: the strip is the column x = 1 … 6 in
// the row layout, the row y = 1 … 6 in the column layout.
EdgeButton edgeButtonAt(QPoint point, bool row)
{
    const int across = row ? point.x() : point.y();
    const int along = row ? point.y() : point.x();
    if (across < 1 || across > 6)
        return EdgeButton::None;
    if (along >= 1 && along <= 5)
        return EdgeButton::Hide;
    if (along >= 7 && along <= 11)
        return EdgeButton::Minimise;
    if (along >= 13 && along <= (row ? 18 : 17))
        return EdgeButton::Layout;
    if (along >= 19)
        return EdgeButton::Drag;
    return EdgeButton::None;
}

const QString kMain = QStringLiteral("main");

} // namespace

QRect CKorvalenDlg::WorkArea() const
{
    const QScreen* screen = QGuiApplication::screenAt(geometry().center());
    if (!screen)
        screen = this->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void CKorvalenDlg::MoveWindow(QPoint topLeft)
{
    if (m_bInitialised)
        topLeft = snapToWorkArea(topLeft, size(), WorkArea());
    move(topLeft);
}

void CKorvalenDlg::ResizeToBoxes()
{
    const QSize size = stripWindowSize(Metrics());
    setFixedSize(size);
    repaint();
}

bool CKorvalenDlg::EditDialogVisible() const
{
    for (const QPointer<QDialog>& dialog : {m_dlgBoxProperties, m_dlgOptions, m_dlgCustomMenu})
        if (dialog && dialog->isVisible())
            return true;
    return false;
}

void CKorvalenDlg::HideToTray()
{
    if (CSystemTray::IsTrayAvailable()) {
        hide();
        return;
    }
    // Nowhere to bring a hidden window back from: it is minimised instead.
    showMinimized();
    if (!m_bWarnedNoTray) {
        m_bWarnedNoTray = true;
        platform::postMessageBox(
            QStringLiteral("There is no notification area on this desktop, so Korvalen "
                           "minimises its window instead of hiding it. It keeps checking; "
                           "start it again to bring the window back."),
            QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONINFORMATION);
    }
}

void CKorvalenDlg::OnLButtonDown(QPoint point)
{
    bool row = WinPos != 0;
    // While a dialog of the strip is open, a click the strip ignores brings
    // that dialog forward: minimised or covered, it would leave the strip
    // deaf with nothing in sight.
    const EdgeButton button = edgeButtonAt(point, row);
    if ((button == EdgeButton::None && m_bBoxMenuOpen) ||
        (button != EdgeButton::Layout && button != EdgeButton::Drag && EditDialogVisible())) {
        BringOpenDialogForward();
        return;
    }
    switch (button) {
    case EdgeButton::Hide:
        HideToTray();
        if (m_bFirstHideBalloon && CSystemTray::IsTrayAvailable()) {
            m_SystemTray.ShowBalloon(
                QStringLiteral("Program still working now in background\nmode. Click on icon "
                               "to show Korvalen.\n\nClick Exit button to exit application."),
                QStringLiteral("Korvalen Notify"), NIIF_INFO, 10);
            m_bFirstHideBalloon = false;
        }
        return;
    case EdgeButton::Minimise:
        if (HideTaskBarButton != 0)
            HideToTray();
        else
            showMinimized();
        return;
    case EdgeButton::Layout:
        WinPos = WinPos != 0 ? 0 : 1;
        ResizeToBoxes();
        m_iniConfig.WriteInt(kMain, QStringLiteral("WinPos"), WinPos);
        // The turned strip keeps its corner, sticking to the work area's
        // edges with its new size; its place is stored with it.
        MoveWindow(pos());
        PosX = x();
        PosY = y();
        m_iniConfig.WriteInt(kMain, QStringLiteral("PosX"), PosX);
        m_iniConfig.WriteInt(kMain, QStringLiteral("PosY"), PosY);
        row = WinPos != 0;
        break;
    default:
        break;
    }
    if (edgeButtonAt(point, row) == EdgeButton::Drag) {
        m_bDragging = true;
        m_dragOffset = point;
    }
}

void CKorvalenDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        OnLButtonDown(event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        OnRButtonDown(unsigned(event->buttons()), event->position().toPoint());
    QDialog::mousePressEvent(event);
    // The window manager raised the strip for the click; the messages no
    // window owns stay above it.
    RaiseUnownedMessages();
}

void CKorvalenDlg::mouseMoveEvent(QMouseEvent* event)
{
    // The window follows the mouse; every position goes through snapping.
    if (m_bDragging && (event->buttons() & Qt::LeftButton))
        MoveWindow(event->globalPosition().toPoint() - m_dragOffset);
    QDialog::mouseMoveEvent(event);
}

void CKorvalenDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_bDragging && event->button() == Qt::LeftButton) {
        m_bDragging = false;
        PosX = x();
        PosY = y();
        m_iniConfig.WriteInt(kMain, QStringLiteral("PosX"), PosX);
        m_iniConfig.WriteInt(kMain, QStringLiteral("PosY"), PosY);
    }
    QDialog::mouseReleaseEvent(event);
}

void CKorvalenDlg::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Only the left button has a double click of its own; a quick second
    // right click is one more right click.
    if (event->button() == Qt::LeftButton)
        OnLButtonDblClk(event->position().toPoint());
    else
        mousePressEvent(event);
}

void CKorvalenDlg::OnLButtonDblClk(QPoint point)
{
    if (DCOBEFE == 0)
        return;
    const int number = HitTestBox(Metrics(), point);
    if (number < 1 || !m_pBoxes[size_t(number - 1)])
        return;
    m_nDblClickBox = number - 1;
    const BoxSnapshot box = snapshotOf(*m_pBoxes[size_t(m_nDblClickBox)]);
    const QString program = DCOBEFPath;
    const QString parameters = DCOBEFParameters;
    runWorker([box, program, parameters] { DoubleClickActionThread(box, program, parameters); });
}

void CKorvalenDlg::DoubleClickActionThread(const BoxSnapshot& box, const QString& program,
                                           const QString& parameters)
{
    QStringList arguments = platform::splitArguments(parameters);
    for (QString& argument : arguments)
        argument = expandPlaceholders(argument, box, PlaceholderSet::CustomApplication);
    platform::startOrTell(QStringLiteral("the double-click program"), program, arguments, false);
}
