#pragma once

// What the tests of the network message and custom applications dialogs
// share: controls found by name, answers to sub-dialogs, a recording
// launcher and a program picker.
#include "TestSupport.h"
#include "platform/desktop/Dialogs.h"
#include "platform/programs/Shell.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace test {

template <typename T> T* control(const QWidget* dialog, const char* name)
{
    T* found = dialog->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Answers the dialog of type T that `owner` opens next, once it shows.
template <typename T> void whenOpened(QWidget* owner, std::function<void(T*)> answer)
{
    QTimer::singleShot(0, owner, [owner, answer] {
        T* dialog = nullptr;
        ASSERT_TRUE(waitFor([&] { return (dialog = owner->findChild<T*>()) && dialog->isVisible(); }));
        answer(dialog);
    });
}

// Records each program start as the program followed by its arguments, and
// each command run in a terminal after the word "terminal".
class RecordingLauncher : public platform::ShellService
{
public:
    RecordingLauncher() { platform::setShellService(this); }
    ~RecordingLauncher() override { platform::setShellService(nullptr); }
    bool startProgram(const QString& program, const QStringList& arguments, bool) override
    {
        started.push_back(QStringList{program} + arguments);
        return !missing.contains(program);
    }
    bool runInTerminal(const QString&, const QStringList& command, bool) override
    {
        started.push_back(QStringList{QStringLiteral("terminal")} + command);
        return !missing.contains(QStringLiteral("terminal"));
    }
    bool openUrl(const QUrl&) override { return false; }
    std::vector<QStringList> started;
    QStringList missing; // programs that fail to start; "terminal": no terminal
};

// The file pickers answer with `pick` and record their filters.
class FakePicker : public platform::DialogService
{
public:
    FakePicker() { platform::setDialogService(this); }
    ~FakePicker() override { platform::setDialogService(nullptr); }
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString& filter) override
    {
        filters << filter;
        return pick;
    }
    bool getColor(QWidget*, const QColor&, QColor&) override { return false; }
    QString pick;
    QStringList filters;
};

} // namespace test
