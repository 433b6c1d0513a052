// The box menu and the window's dialogs opened and closed again and again in
// one offscreen process, as a user does: a right click on a box, a command,
// the dialog it opens, then OK, Cancel or the message box's button. Prints
// resident memory and the heap in use after 100 and after 1,000 uses, and
// what a 31 MB "Main.ini" costs a running window.
//
//   korvalen_dialog_soak [USES]
//
// Fails when resident memory after the last use is more than 3 MB above
// resident memory after use 100, or when the large "Main.ini" leaves more
// than 3 MB of heap in use behind it.
#include "core/NetThread.h"
#include "core/Workers.h"
#include "ui/BoxMenu.h"
#include "ui/KorvalenDlg.h"
#include "ui/StripGeometry.h"
#include "ui/TrayMenu.h"
#include "ui/dialogs/CustomMenu.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui/dialogs/QtMessageBox.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr long kBoundKb = 3 * 1024;
constexpr int kFirstSample = 100;

class SoakWindow : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

struct Memory
{
    long rssKb = 0;
    long heapInUseKb = 0; // allocated and not yet freed
    long heapHeldKb = 0;  // taken from the system by the allocator
};

Memory measure()
{
    Memory m;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            m.rssKb = std::atol(line.c_str() + 6);
    const struct mallinfo2 info = ::mallinfo2();
    m.heapInUseKb = long((info.uordblks + info.hblkhd) / 1024);
    m.heapHeldKb = long((info.arena + info.hblkhd) / 1024);
    return m;
}

void print(const char* when, const Memory& m)
{
    std::printf("%-26s resident %7ld kB   heap in use %7ld kB   heap held %7ld kB\n", when, m.rssKb,
                m.heapInUseKb, m.heapHeldKb);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray mainIni(qsizetype padBytes)
{
    QByteArray text = "[Main]\r\nnrows=2\r\n[Row 0]\r\n标题=Shell\r\n应用程序=/bin/true\r\n参数=%ip\r\n"
                      "[Row 1]\r\n标题=Echo\r\n应用程序=/bin/echo\r\n参数=%name %port\r\n";
    // Sections nobody reads, as a file that other programs share might hold.
    for (int i = 0; text.size() < padBytes; ++i)
        text += "[Other " + QByteArray::number(i) + "]\r\nkey=" + QByteArray(40, 'x') +
                "\r\nmore=" + QByteArray::number(i) + "\r\n";
    return text;
}

// Answers whatever the window opens: chooses `command` in the box menu,
// accepts the custom applications list, presses a message box's first
// button and cancels every other dialog.
class User : public QObject
{
public:
    User()
    {
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, &User::act);
        m_timer.start();
    }
    int command = 0;

    static bool dialogOpen()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<QDialog*>(widget) && widget->isVisible())
                return true;
        return false;
    }

private:
    void act()
    {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            QAction* action = boxMenuAction(menu, command);
            if (!action)
                for (QAction* item : menu->actions())
                    if (QMenu* tray = item->menu(); tray && !action)
                        action = trayAction(tray, command);
            if (action && action->isEnabled())
                action->trigger();
            else
                menu->hide();
            return;
        }
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible())
                continue;
            if (auto* box = qobject_cast<QMessageBox*>(widget)) {
                if (!box->buttons().isEmpty())
                    box->buttons().first()->click();
            } else if (auto* custom = qobject_cast<CCustomMenu*>(widget)) {
                custom->OnBnClickedOk();
            } else if (auto* dialog = qobject_cast<QDialog*>(widget)) {
                dialog->reject();
            }
        }
    }
    QTimer m_timer;
};

// The commands of one round, each a menu and a dialog.
const int kCommands[] = {ID_BOX_EDIT,     ID_BOX_CUSTOMIZE, ID_BOX_SENDNETMSG, ID_BOX_STATUSINFO,
                         ID_TRAY_OPTIONS, ID_TRAY_ABOUT,    ID_BOX_VIEWLOG};

// One use: the menu of box 1, a command, the dialog it opens closed again.
void use(SoakWindow& window, User& user, int command)
{
    user.command = command;
    window.OnRButtonDown(0, tileRect(window.Metrics(), 1).center());
    QElapsedTimer waited;
    waited.start();
    while (User::dialogOpen() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    // Deferred deletions, as the event loop runs them between uses.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QString prepareFolder(const QTemporaryDir& dir, qsizetype mainIniBytes)
{
    const QString data = dir.path() + QStringLiteral("/Korvalen");
    QDir().mkpath(data);
    QDir().mkpath(dir.path() + QStringLiteral("/run"));
    qputenv("APPDATA", dir.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (dir.path() + QStringLiteral("/run")).toLocal8Bit());
    QByteArray config = "[main]\r\nFirstStart=0\r\nPosX=100\r\nPosY=100\r\nNumBox=3\r\n";
    for (int i = 0; i < 3; ++i)
        config += "[Box " + QByteArray::number(i) + "]\r\nText=Soak " + QByteArray::number(i) +
                  "\r\nIPAdress=127.0.0.1\r\nDisabled=1\r\n";
    if (!writeFile(data + QStringLiteral("/MainConfA.ini"), config) ||
        !writeFile(data + QStringLiteral("/Main.ini"), mainIni(mainIniBytes)))
        return QString();
    return data;
}

void endWindow(std::unique_ptr<SoakWindow>& window)
{
    window->close();
    window.reset();
    QElapsedTimer waited;
    waited.start();
    while ((CNetThread::RunningCount() > 0 || !waitForWorkers(10)) && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The offscreen platform says at every opening that it cannot raise a window
// or grab the keyboard; a thousand openings would bury the figures.
QtMessageHandler g_previousHandler = nullptr;

void dropPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!text.startsWith(QLatin1String("This plugin does not support")) && g_previousHandler)
        g_previousHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(korvalen);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_previousHandler = qInstallMessageHandler(dropPlatformNotes);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    platform::QtMessageBoxService messageBoxes;
    platform::setMessageBoxService(&messageBoxes);
    platform::QtDialogService dialogs;
    platform::setDialogService(&dialogs);
    const int uses = std::max(kFirstSample * 2, argc > 1 ? std::atoi(argv[1]) : 1000);
    const int rounds = int(std::size(kCommands));
    bool ok = true;

    // The menu and a dialog, again and again.
    {
        QTemporaryDir dir;
        if (prepareFolder(dir, 0).isEmpty()) {
            std::fprintf(stderr, "cannot write the data folder\n");
            return 2;
        }
        print("before the window", measure());
        auto window = std::make_unique<SoakWindow>(nullptr, 0);
        window->OnInitDialog();
        User user;
        Memory atFirst, atLast;
        QElapsedTimer timer;
        timer.start();
        for (int i = 1; i <= uses; ++i) {
            use(*window, user, kCommands[(i - 1) % rounds]);
            if (i == 10 || i == kFirstSample || i == uses / 2 || i == uses) {
                const Memory m = measure();
                print(("after " + std::to_string(i) + " uses").c_str(), m);
                if (i == kFirstSample)
                    atFirst = m;
                atLast = m;
            }
        }
        std::printf("%d uses (menu and dialog) in %.1f s\n", uses, double(timer.elapsed()) / 1000);
        const long growth = atLast.rssKb - atFirst.rssKb;
        std::printf("growth from use %d to use %d: resident %+ld kB, heap in use %+ld kB (bound %ld kB): "
                    "%s\n",
                    kFirstSample, uses, growth, atLast.heapInUseKb - atFirst.heapInUseKb, kBoundKb,
                    growth <= kBoundKb ? "met" : "NOT MET");
        ok = ok && growth <= kBoundKb;
        endWindow(window);
    }

    // A 31 MB "Main.ini": what stays in the heap while the window runs, after
    // its start and ten runs of the custom applications list.
    {
        QTemporaryDir dir;
        if (prepareFolder(dir, 31LL * 1024 * 1024).isEmpty()) {
            std::fprintf(stderr, "cannot write the data folder\n");
            return 2;
        }
        const Memory before = measure();
        auto window = std::make_unique<SoakWindow>(nullptr, 0);
        window->OnInitDialog();
        User user;
        for (int i = 0; i < 10; ++i)
            use(*window, user, ID_BOX_CUSTOMIZE);
        const Memory after = measure();
        print("31 MB Main.ini, before", before);
        print("31 MB Main.ini, running", after);
        const long kept = after.heapInUseKb - before.heapInUseKb;
        std::printf("kept by a running window with a 31 MB Main.ini: heap in use %+ld kB, resident %+ld kB "
                    "(bound %ld kB of heap): %s\n",
                    kept, after.rssKb - before.rssKb, kBoundKb, kept <= kBoundKb ? "met" : "NOT MET");
        ok = ok && kept <= kBoundKb;
        endWindow(window);
    }

    platform::setDialogService(nullptr);
    platform::setMessageBoxService(nullptr);
    std::printf(ok ? "dialog soak passed\n" : "dialog soak FAILED\n");
    return ok ? 0 : 1;
}
