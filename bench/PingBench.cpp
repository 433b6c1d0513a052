// 70 ping boxes on loopback addresses at a one-second interval, for a fixed
// time: checks done, CPU time per check, resident memory, and the delay from
// a check's end to its result being handled. With fping installed, fping -l
// runs on the same targets for the same time beside it.
//
//   korvalen_ping_bench [seconds]
#include "core/BoxRecord.h"
#include "core/MainSettings.h"
#include "core/NetThread.h"
#include "platform/Clock.h"
#include "platform/desktop/Messages.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kBoxes = 70;

double cpuSeconds(const rusage& usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long statusKilobytes(const QString& statusFile, const char* field)
{
    QFile file(statusFile);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(strlen(field))).trimmed().split(' ').front().toLong();
    return -1;
}

struct Figures
{
    long checks = 0;
    double cpu = 0;
    long rssKb = 0;
};

void print(const char* name, const Figures& f)
{
    std::printf("%-10s checks %6ld   CPU per check %8.1f us   resident %7ld kB\n", name, f.checks,
                f.checks ? f.cpu * 1e6 / double(f.checks) : 0.0, f.rssKb);
}

bool runFping(int seconds, Figures& figures)
{
    if (::access("/usr/bin/fping", X_OK) != 0)
        return false;
    std::vector<std::string> args = {"fping", "-l", "-q", "-p", "1000"};
    for (int i = 1; i <= kBoxes; ++i)
        args.push_back("127.0.0." + std::to_string(i));
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    if (posix_spawn(&pid, "/usr/bin/fping", &actions, nullptr, argv.data(), environ) != 0)
        return false;
    posix_spawn_file_actions_destroy(&actions);
    ::sleep(unsigned(seconds));
    figures.rssKb = statusKilobytes(QStringLiteral("/proc/%1/status").arg(pid), "VmHWM:");
    ::kill(pid, SIGINT);
    int status;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    figures.cpu = cpuSeconds(usage);
    figures.checks = long(kBoxes) * (seconds + 1); // -l sends one round at once, then one a second
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    g_nTimeOut = 1000;

    std::vector<uint64_t> delaysNs;
    long checks = 0;
    long up = 0;
    platform::MessageReceiver window([&](uint32_t message, platform::WPARAM wParam, platform::LPARAM lParam) {
        if (message == platform::WM_CHECKRESULT) {
            const auto* reply = reinterpret_cast<const CheckReply*>(lParam);
            delaysNs.push_back(platform::monotonicNanoseconds() - reply->nCheckEnd);
            ++checks;
            up += checkResultStatus(wParam) == STATUS_UP;
        }
        return platform::LRESULT(0);
    });

    std::vector<BoxRecord*> boxes;
    for (int i = 0; i < kBoxes; ++i) {
        auto* box = new BoxRecord(&window, i);
        box->VerifyMetod = METHOD_PING;
        box->IPAdress = QStringLiteral("127.0.0.%1").arg(i + 1);
        box->CheckInterval = 1;
        boxes.push_back(box);
    }
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (BoxRecord* box : boxes)
        box->StartThread();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    Figures ours{checks, cpuSeconds(after) - cpuSeconds(before),
                 statusKilobytes(QStringLiteral("/proc/self/status"), "VmRSS:")};
    for (BoxRecord* box : boxes)
        delete box;
    CNetThread::WaitForAll(2000);

    std::sort(delaysNs.begin(), delaysNs.end());
    std::printf("%d ping boxes on loopback, 1 s interval, %d s\n", kBoxes, seconds);
    print("korvalen", ours);
    std::printf("           Up %ld of %ld; handling delay median %.1f us, 99th percentile %.1f us\n", up,
                checks, delaysNs.empty() ? 0.0 : double(delaysNs[delaysNs.size() / 2]) / 1e3,
                delaysNs.empty() ? 0.0 : double(delaysNs[delaysNs.size() * 99 / 100]) / 1e3);
    Figures fping;
    if (runFping(seconds, fping)) {
        print("fping -l", fping);
        if (fping.checks && fping.cpu > 0)
            std::printf("           CPU per check, korvalen / fping: %.2f\n",
                        (ours.cpu / double(ours.checks)) / (fping.cpu / double(fping.checks)));
    } else {
        std::printf("fping is not installed: no comparison\n");
    }
    return 0;
}
