#include "BoxMenu.h"

#include "Pictures.h"

#include <QAction>
#include <QEventLoop>
#include <QMenu>
#include <QPointer>

#include <algorithm>
#include <initializer_list>

namespace {

struct Row
{
    int command; // 0: separator
    const char* text;
    int picture; // resource number, 0 for none
};

const Row kToolRows[] = {
    {ID_BOX_SHARE, "Windows 共享", 171},
    {ID_BOX_SENDNETMSG, "发送网络消息...", 175},
    {ID_BOX_WEB, "Web", 176},
    {ID_BOX_FTP, "Ftp", 179},
    {ID_BOX_PING, "Ping", 188},
    {ID_BOX_TRACEROUTE, "跟踪路由", 0},
    {ID_BOX_REMOTEDESKTOP, "远程桌面", 190},
};
const Row kMoveRows[] = {
    {ID_BOX_MOVELEFT, "左移 ", 193},
    {ID_BOX_MOVERIGHT, "右移 ", 194},
    {ID_BOX_DUPLICATE, "复制", 201},
    {ID_BOX_DISABLE, "禁用", 256},
};
const Row kLowerRows[] = {
    {ID_BOX_VIEWLOG, "查看日志", 197}, {ID_BOX_STATUSINFO, "状态信息", 215}, {ID_BOX_ADD, "添加检查...", 135},
    {ID_BOX_EDIT, "编辑检查...", 136}, {ID_BOX_DELETE, "删除检查", 137},
};
constexpr int kCustomAppPicture = 253;
constexpr int kCustomizePicture = 254;

QIcon picture(int number)
{
    return resourcePicture(number);
}

QAction* addRow(QMenu* menu, const Row& row)
{
    QAction* action = menu->addAction(picture(row.picture), QString::fromUtf8(row.text));
    action->setData(row.command);
    return action;
}

void grey(QMenu* menu, std::initializer_list<int> commands)
{
    for (int command : commands)
        if (QAction* action = boxMenuAction(menu, command))
            action->setEnabled(false);
}

} // namespace

int customAppRow(int command)
{
    const auto* found = std::find(std::begin(kCustomAppCommands), std::end(kCustomAppCommands), command);
    return found == std::end(kCustomAppCommands) ? -1 : int(found - std::begin(kCustomAppCommands));
}

QMenu* createBoxMenu(QWidget* parent, const BoxMenuState& state)
{
    auto* menu = new QMenu(parent);
    const bool none = state.selected < 1;

    QMenu* tools = menu->addMenu(QStringLiteral("工具"));
    for (const Row& row : kToolRows)
        addRow(tools, row);

    QMenu* custom = menu->addMenu(QStringLiteral("自定义程序"));
    const int rows = std::min<int>(int(state.customTitles.size()), std::size(kCustomAppCommands));
    for (int k = 0; k < rows; ++k) {
        // A title is shown as it stands: "&" marks no shortcut.
        QString title = state.customTitles[k];
        title.replace(u'&', QStringLiteral("&&"));
        QAction* action = custom->addAction(picture(kCustomAppPicture), title);
        action->setData(kCustomAppCommands[k]);
        action->setEnabled(!none);
    }
    custom->addSeparator();
    addRow(custom, {ID_BOX_CUSTOMIZE, "设置自定义程序...", kCustomizePicture});

    menu->addSeparator();
    QMenu* move = menu->addMenu(QStringLiteral("移动和复制"));
    for (const Row& row : kMoveRows)
        addRow(move, row);
    for (const Row& row : kLowerRows)
        addRow(menu, row);

    if (!state.row) {
        QAction* up = boxMenuAction(menu, ID_BOX_MOVELEFT);
        up->setText(QStringLiteral("上移"));
        up->setIcon(picture(195));
        QAction* down = boxMenuAction(menu, ID_BOX_MOVERIGHT);
        down->setText(QStringLiteral("下移"));
        down->setIcon(picture(196));
    }
    if (!none && state.selectedDisabled) {
        QAction* toggle = boxMenuAction(menu, ID_BOX_DISABLE);
        toggle->setText(QStringLiteral("启用"));
        toggle->setIcon(picture(257));
    }

    // The enabling rules, in their order.
    if (none)
        grey(menu, {ID_BOX_DUPLICATE, ID_BOX_EDIT, ID_BOX_DELETE, ID_BOX_SHARE, ID_BOX_SENDNETMSG, ID_BOX_WEB,
                    ID_BOX_FTP, ID_BOX_PING, ID_BOX_TRACEROUTE, ID_BOX_REMOTEDESKTOP, ID_BOX_STATUSINFO,
                    ID_BOX_VIEWLOG, ID_BOX_CUSTOMIZE, ID_BOX_DISABLE});
    if (state.selected == 1 && state.count == 1)
        grey(menu, {ID_BOX_DELETE});
    if (state.selected == 1)
        grey(menu, {ID_BOX_MOVELEFT});
    if (state.selected == state.count)
        grey(menu, {ID_BOX_MOVERIGHT});
    if (none)
        grey(menu, {ID_BOX_MOVELEFT, ID_BOX_MOVERIGHT});
    if (state.count >= 70)
        grey(menu, {ID_BOX_ADD, ID_BOX_DUPLICATE});
    return menu;
}

QAction* boxMenuAction(QMenu* menu, int command)
{
    for (QAction* action : menu->actions()) {
        if (QMenu* popup = action->menu()) {
            if (QAction* found = boxMenuAction(popup, command))
                return found;
        } else if (!action->isSeparator() && action->data().toInt() == command) {
            return action;
        }
    }
    return nullptr;
}

namespace {
void collectActions(QMenu* menu, QList<QAction*>& actions)
{
    for (QAction* action : menu->actions()) {
        if (QMenu* popup = action->menu())
            collectActions(popup, actions);
        else if (!action->isSeparator())
            actions << action;
    }
}
} // namespace

int trackBoxMenu(QMenu* menu, QPoint position)
{
    // The command is taken from the row itself, so that a row chosen in a
    // popup counts as well; the loop ends once the menu has closed.
    int chosen = 0;
    QPointer<QMenu> guard(menu);
    QList<QAction*> actions;
    collectActions(menu, actions);
    for (QAction* action : actions)
        QObject::connect(action, &QAction::triggered, menu, [&chosen, action, menu] {
            if (chosen == 0)
                chosen = action->data().toInt();
            menu->hide();
        });
    QEventLoop loop;
    QObject::connect(menu, &QMenu::aboutToHide, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QObject::connect(menu, &QObject::destroyed, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    menu->popup(position - QPoint(0, menu->sizeHint().height()));
    if (guard && menu->isVisible())
        loop.exec();
    return chosen;
}
