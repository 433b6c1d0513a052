#include "TrayMenu.h"

#include "Pictures.h"

#include <QMenu>

namespace {

struct Row
{
    int command; // 0: separator
    const char* text;
    int picture; // resource number, 0 for none
};

const Row kRows[] = {
    {ID_TRAY_ABOUT, "关于 Korvalen...", 141},
    {ID_TRAY_HELP, "帮助和支持", 142},
    {0, nullptr, 0},
    {ID_TRAY_ALWAYSONTOP, "总在最前", 0},
    {ID_TRAY_NORMAL, "正常", 0},
    {ID_TRAY_ALWAYSONBOTTOM, "总在最后", 0},
    {0, nullptr, 0},
    {ID_TRAY_RESETPOSITION, "重置位置", 218},
    {ID_TRAY_SHOW, "显示", 151},
    {0, nullptr, 0},
    {ID_TRAY_LOG, "日志", 197},
    {0, nullptr, 0},
    {ID_TRAY_BACKUPCONFIG, "备份配置文件...", 177},
    {ID_TRAY_RESTORECONFIG, "恢复配置文件...", 178},
    {ID_TRAY_RESETCONFIG, "重置配置文件", 184},
    {0, nullptr, 0},
    {ID_TRAY_OPTIONS, "选项...", 146},
    {0, nullptr, 0},
    {ID_TRAY_EXIT, "退出", 147},
};

QIcon picture(int number)
{
    return resourcePicture(number);
}

} // namespace

QMenu* createTrayMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    for (const Row& row : kRows) {
        if (row.command == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(picture(row.picture), QString::fromUtf8(row.text));
        action->setData(row.command);
    }
    return menu;
}

QAction* trayAction(QMenu* menu, int command)
{
    for (QAction* action : menu->actions())
        if (action->data().toInt() == command)
            return action;
    return nullptr;
}

void markZOrder(QMenu* menu, int winBeh)
{
    const int commands[] = {ID_TRAY_ALWAYSONTOP, ID_TRAY_NORMAL, ID_TRAY_ALWAYSONBOTTOM};
    for (int mode = 0; mode < 3; ++mode)
        if (QAction* action = trayAction(menu, commands[mode]))
            action->setIcon(mode == winBeh ? picture(143) : QIcon());
}
