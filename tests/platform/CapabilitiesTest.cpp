// A program file given a capability by hand: the process holds none once it
// runs, unless root runs it.
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What `program` prints, run as `uid` (and the group of that number).
std::string runAs(uid_t uid, const std::string& program)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return "pipe failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        if (uid == 0 || (::setgroups(0, nullptr) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0))
            ::execl(program.c_str(), program.c_str(), nullptr);
        ::_exit(1);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[1024];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(n));
    ::close(fds[0]);
    ::waitpid(pid, nullptr, 0);
    return text;
}

TEST(Capabilities, AProgramGivenARawSocketCapabilityHoldsNoneUnlessRootRunsIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file a capability and start it as another user";
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("capability_report"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(CAPABILITY_REPORT), copy));
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    if (std::system(("setcap cap_net_raw=ep '" + copy.toStdString() + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "setcap is not installed, or this file system keeps no capabilities";
    const std::string zero = ":\t0000000000000000\n";
    EXPECT_EQ(runAs(65534, copy.toStdString()),
              "dropped\nCapInh" + zero + "CapPrm" + zero + "CapEff" + zero + "CapAmb" + zero);
    const std::string asRoot = runAs(0, copy.toStdString());
    EXPECT_EQ(asRoot.rfind("kept\n", 0), 0u) << asRoot;
    EXPECT_EQ(asRoot.find("CapEff" + zero), std::string::npos) << asRoot;
}

} // namespace
