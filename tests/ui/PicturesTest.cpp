// The pictures of menus, message boxes and dialogs are built anew at every
// opening; each opening must show the same icons, or every opening adds its
// own copies to the pixmap cache.
#include "ui/BoxMenu.h"
#include "ui/TrayMenu.h"
#include "ui/dialogs/QtMessageBox.h"
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

// The cache keys of the icons of a menu and its popups, in order; the menu
// is let go.
QList<qint64> iconKeys(QMenu* menu)
{
    const std::unique_ptr<QMenu> owned(menu);
    QList<qint64> keys;
    for (QAction* action : menu->findChildren<QAction*>())
        if (!action->icon().isNull())
            keys << action->icon().cacheKey();
    return keys;
}

TEST(Pictures, EveryOpeningShowsTheSameIcons)
{
    test::ScopedEnvironment env;
    const BoxMenuState boxMenu{1, 2, true, false, {"Shell"}};
    const std::pair<const char*, std::function<QList<qint64>()>> cases[] = {
        {"box menu", [&] { return iconKeys(createBoxMenu(nullptr, boxMenu)); }},
        {"tray menu", [] { return iconKeys(createTrayMenu(nullptr)); }},
        {"program icon", [] { return QList{platform::programIcon().cacheKey()}; }},
        {"network message dialog",
         [&] {
             CSendNetMsgDlg dialog;
             dialog.m_iniConfig.SetFileName(env.path() + "/MainConfA.ini");
             dialog.m_strIP = "192.0.2.1";
             dialog.OnInitDialog();
             return QList{test::control<QPushButton>(&dialog, "buttonSend")->icon().cacheKey(),
                          test::control<QPushButton>(&dialog, "buttonCancel")->icon().cacheKey()};
         }},
    };
    for (const auto& [name, keys] : cases) {
        const QList<qint64> first = keys();
        EXPECT_FALSE(first.isEmpty()) << name;
        EXPECT_EQ(keys(), first) << name;
    }
}

} // namespace
