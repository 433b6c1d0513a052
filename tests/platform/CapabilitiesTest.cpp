// A program file given a capability by hand: the process holds none once it
// runs, unless root runs it.
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace {

TEST(Capabilities, AProgramGivenARawSocketCapabilityHoldsNoneUnlessRootRunsIt)
{
    QTemporaryDir dir;
    const std::string copy = dir.filePath(QStringLiteral("capability_report")).toStdString();
    if (::geteuid() != 0 || !QFile::copy(QStringLiteral(CAPABILITY_REPORT), QString::fromStdString(copy)) ||
        std::system(
            ("chmod 755 " + dir.path().toStdString() + " && setcap cap_net_raw=ep " + copy + " 2>/dev/null")
                .c_str()) != 0)
        GTEST_SKIP() << "only root can give a file a capability, where setcap and the file system allow it";
    const auto outputOf = [&](const std::string& command) {
        std::system((command + " >'" + copy + ".out'").c_str());
        return test::readFile(QString::fromStdString(copy + ".out")).toStdString();
    };
    const std::string zero = ":\t0000000000000000\n";
    EXPECT_EQ(outputOf("setpriv --reuid=65534 --regid=65534 --clear-groups " + copy),
              "dropped\nCapInh" + zero + "CapPrm" + zero + "CapEff" + zero + "CapAmb" + zero);
    const std::string asRoot = outputOf(copy);
    EXPECT_EQ(asRoot.rfind("kept\n", 0), 0u) << asRoot;
    EXPECT_EQ(asRoot.find("CapEff" + zero), std::string::npos) << asRoot;
}

} // namespace
