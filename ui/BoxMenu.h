#pragma once

#include <QPoint>
#include <QStringList>

class QAction;
class QMenu;
class QWidget;

// Command numbers of the box context menu's rows.
enum BoxCommand : int
{
    ID_BOX_SHARE = 32807,
    ID_BOX_SENDNETMSG = 32809,
    ID_BOX_WEB = 32811,
    ID_BOX_FTP = 32819,
    ID_BOX_PING = 32825,
    ID_BOX_TRACEROUTE = 32826,
    ID_BOX_REMOTEDESKTOP = 32828,
    ID_BOX_CUSTOMIZE = 32852,
    ID_BOX_MOVELEFT = 32832,
    ID_BOX_MOVERIGHT = 32834,
    ID_BOX_DUPLICATE = 32838,
    ID_BOX_DISABLE = 32862,
    ID_BOX_VIEWLOG = 32850,
    ID_BOX_STATUSINFO = 32839,
    ID_BOX_ADD = 32784,
    ID_BOX_EDIT = 32785,
    ID_BOX_DELETE = 32797,
};

// The custom application rows 1 to 7; their numbers are not consecutive.
inline constexpr int kCustomAppCommands[] = {32847, 32848, 32849, 32853, 32855, 32856, 32857};
// The row of a custom application command (0 to 6), -1 for any other.
int customAppRow(int command);

// What the menu depends on when it opens.
struct BoxMenuState
{
    int selected = 0; // 1-based box under the click, 0 for none
    int count = 0;    // boxes in the strip
    bool row = true;  // row layout (else a column)
    bool selectedDisabled = false;
    QStringList customTitles; // the titles of the rows in use (at most 7)
};

// Builds the menu of a box: the rows with their pictures, the layout's move
// texts, the enable or disable row, the custom rows in use, then greys what
// the state does not allow. Each row's action carries its command number as
// its data.
QMenu* createBoxMenu(QWidget* parent, const BoxMenuState& state);

// The action of a command anywhere in the menu or its popups, or none.
QAction* boxMenuAction(QMenu* menu, int command);

// Opens the menu with its bottom-left corner at `position` (screen
// coordinates) and waits until it closes; returns the command chosen, 0 when
// it was dismissed.
int trackBoxMenu(QMenu* menu, QPoint position);
