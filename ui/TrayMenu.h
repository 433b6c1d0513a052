#pragma once

#include <QIcon>

class QMenu;
class QObject;

// Command numbers of the tray menu's rows.
enum TrayCommand : int
{
    ID_TRAY_ABOUT = 32798,
    ID_TRAY_HELP = 32788,
    ID_TRAY_ALWAYSONTOP = 32803,
    ID_TRAY_NORMAL = 32799,
    ID_TRAY_ALWAYSONBOTTOM = 32791,
    ID_TRAY_RESETPOSITION = 32842,
    ID_TRAY_SHOW = 32793,
    ID_TRAY_LOG = 32837,
    ID_TRAY_BACKUPCONFIG = 32814,
    ID_TRAY_RESTORECONFIG = 32815,
    ID_TRAY_RESETCONFIG = 32821,
    ID_TRAY_OPTIONS = 32801,
    ID_TRAY_EXIT = 32795,
};

inline constexpr unsigned kTrayIconId = 134;

// Builds the tray menu (rows top to bottom, with their pictures); each
// action carries its command number as its data.
QMenu* createTrayMenu(QWidget* parent);

// Marks the row of the z-order mode (0 top, 1 normal, 2 bottom) with the
// check picture and clears the other two.
void markZOrder(QMenu* menu, int winBeh);

// The action of a command in the menu, or none.
class QAction;
QAction* trayAction(QMenu* menu, int command);
