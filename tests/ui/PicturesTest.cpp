// The pictures of menus, message boxes and dialogs are built anew at every
// opening; each opening must show the same icons, or every opening adds its
// own copies to the pixmap cache.
#include "platform/QtMessageBox.h"
#include "ui/BoxMenu.h"
#include "ui/TrayMenu.h"
#include "ui/dialogs/SendNetMsgDlg.h"

#include "TestSupport.h"
#include "dialogs/DialogTestSupport.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// The cache keys of the icons of a menu and its popups, in order.
QList<qint64> iconKeys(QMenu* menu)
{
    QList<qint64> keys;
    for (QAction* action : menu->actions()) {
        if (QMenu* popup = action->menu())
            keys += iconKeys(popup);
        else if (!action->icon().isNull())
            keys << action->icon().cacheKey();
    }
    return keys;
}

QList<qint64> sendDialogKeys()
{
    test::ScopedEnvironment env;
    CSendNetMsgDlg dialog;
    dialog.m_iniConfig.SetFileName(env.path() + QStringLiteral("/MainConfA.ini"));
    dialog.m_strIP = QStringLiteral("192.0.2.1");
    dialog.OnInitDialog();
    QList<qint64> keys;
    for (const char* name : {"buttonSend", "buttonCancel"})
        keys << test::control<QPushButton>(&dialog, name)->icon().cacheKey();
    return keys;
}

} // namespace

TEST(Pictures, EveryOpeningShowsTheSameIcons)
{
    const struct
    {
        const char* name;
        std::function<QList<qint64>()> keys;
    } cases[] = {
        {"box menu",
         [] {
             BoxMenuState state;
             state.selected = 1;
             state.count = 2;
             state.customTitles = {QStringLiteral("Shell")};
             return iconKeys(std::unique_ptr<QMenu>(createBoxMenu(nullptr, state)).get());
         }},
        {"tray menu", [] { return iconKeys(std::unique_ptr<QMenu>(createTrayMenu(nullptr)).get()); }},
        {"program icon of windows and message boxes",
         [] { return QList<qint64>{platform::programIcon().cacheKey()}; }},
        {"network message dialog", sendDialogKeys},
    };
    for (const auto& c : cases) {
        const QList<qint64> first = c.keys();
        EXPECT_FALSE(first.isEmpty()) << c.name;
        EXPECT_EQ(c.keys(), first) << c.name;
    }
}
