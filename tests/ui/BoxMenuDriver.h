#pragma once

// Drives the box context menu as a user does: a right click on the strip,
// then, once the menu is open, a look at it and a choice.
#include "TestSupport.h"

#include "core/NetThread.h"
#include "core/Workers.h"
#include "platform/programs/Shell.h"
#include "ui/BoxMenu.h"
#include "ui/KorvalenDlg.h"
#include "ui/StripGeometry.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace boxmenu {

inline constexpr int kWaitMs = 10000;

class StartableDlg : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

// Every call that reaches the shell as one list: its kind ("program:" with
// the program, "terminal+wait:" with the window title, "open:" with the URL, "document:" with the
// path), then the words.
class RecordingShell : public platform::ShellService
{
public:
    bool startProgram(const QString& program, const QStringList& arguments, bool) override
    {
        return add(QStringList{QStringLiteral("program:") + program} + arguments);
    }
    bool openUrl(const QUrl& url) override { return add({QStringLiteral("open:") + url.toString()}); }
    int openDocument(const QString& path) override
    {
        add({QStringLiteral("document:") + path});
        return documentAnswer;
    }
    bool runInTerminal(const QString& title, const QStringList& command, bool wait) override
    {
        add(QStringList{(wait ? QStringLiteral("terminal+wait:") : QStringLiteral("terminal:")) + title} +
            command);
        return hasTerminal;
    }
    QString findProgram(const QString& name) override
    {
        return installed.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
    }
    std::vector<QStringList> take()
    {
        std::lock_guard guard(m_lock);
        return std::exchange(m_calls, {});
    }

    int documentAnswer = 42;
    bool hasTerminal = true;
    QStringList installed{QStringLiteral("ping"), QStringLiteral("traceroute"), QStringLiteral("xfreerdp")};

private:
    bool add(const QStringList& call)
    {
        std::lock_guard guard(m_lock);
        m_calls.push_back(call);
        return true;
    }
    std::mutex m_lock;
    std::vector<QStringList> m_calls;
};

// The greyed commands of the menu and its popups.
inline std::vector<int> greyed(QMenu* menu)
{
    std::vector<int> commands;
    for (QAction* action : menu->actions()) {
        if (QMenu* popup = action->menu()) {
            const std::vector<int> inner = greyed(popup);
            commands.insert(commands.end(), inner.begin(), inner.end());
        } else if (!action->isSeparator() && !action->isEnabled()) {
            commands.push_back(action->data().toInt());
        }
    }
    return commands;
}

// Right-clicks the strip at `point`; once the menu is open, `inside` looks at
// it and returns the command to choose (0 dismisses the menu). Returns
// whether a menu opened.
inline bool rightClick(CKorvalenDlg& window, QPoint point, const std::function<int(QMenu*)>& inside)
{
    bool opened = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || opened)
            return;
        opened = true;
        poll.stop();
        const int command = inside(menu);
        QAction* action = command ? boxMenuAction(menu, command) : nullptr;
        if (action && action->isEnabled())
            return action->trigger();
        if (command)
            ADD_FAILURE() << "command " << command << " cannot be chosen";
        menu->hide();
    });
    poll.start();
    window.OnRButtonDown(0, point);
    return opened;
}

// Chooses a command in the menu of the box with the 1-based number.
inline void choose(CKorvalenDlg& window, int number, int command)
{
    EXPECT_TRUE(
        rightClick(window, tileRect(window.Metrics(), number).center(), [=](QMenu*) { return command; }));
}

// A window on a configuration of its own.
class Fixture : public ::testing::Test
{
protected:
    Fixture() { platform::setShellService(&shell); }
    ~Fixture() override
    {
        window.reset();
        waitForWorkers(kWaitMs);
        platform::setShellService(nullptr);
    }
    void TearDown() override
    {
        if (window)
            window->close();
        EXPECT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }, kWaitMs));
        EXPECT_TRUE(waitForWorkers(kWaitMs));
    }

    // `boxes` holds the box sections, `main` more keys of section "main".
    void open(int count, const QByteArray& boxes, const QByteArray& main = QByteArray())
    {
        window.reset();
        QDir().mkpath(env.dataDir());
        test::writeFile(configPath(), "[main]\nFirstStart=0\nPosX=200\nPosY=150\nNumBox=" +
                                          QByteArray::number(count) + "\n" + main + boxes);
        window = std::make_unique<StartableDlg>(nullptr, 0);
        window->OnInitDialog();
    }
    // `count` disabled boxes named "Box 0", "Box 1" …
    static QByteArray disabledBoxes(int count)
    {
        QByteArray text;
        for (int i = 0; i < count; ++i)
            text +=
                "[Box " + QByteArray::number(i) + "]\nText=Box " + QByteArray::number(i) + "\nDisabled=1\n";
        return text;
    }
    QString configPath() const { return env.dataDir() + QStringLiteral("/MainConfA.ini"); }
    BoxRecord& box(int slot) { return *window->m_pBoxes[size_t(slot)]; }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    RecordingShell shell;
    std::unique_ptr<StartableDlg> window;
};

} // namespace boxmenu
