// The settings writer's queue against a plain model of its file: random runs
// of writes, replacements and copies while another process holds the lock
// and the disk fills up and frees again.
#include "TestSupport.h"

#include "core/IniFile.h"
#include "platform/files/CopyFile.h"
#include "platform/files/PrivateProfile.h"
#include "platform/files/ProfileWriter.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <unistd.h>

namespace {

using Model = std::map<QString, QString>; // the keys of section "s" that are there

// Through the writer while one is made for the file, so with what waits.
Model read(const QString& path)
{
    CIniFile ini;
    ini.SetFileName(path);
    Model model;
    for (const QString key : {"k0", "k1", "k2"})
        if (const QString value = ini.GetString("s", key, "-"); value != QLatin1String("-"))
            model[key] = value;
    return model;
}

TEST(ProfileWriterQueue, RandomRunsLeaveTheFilesTheModelSays)
{
    const Model source = {{"k0", "a"}, {"k1", "b"}};
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        QTemporaryDir dir;
        const QString path = dir.filePath("conf.ini");
        const QString from = dir.filePath("source.ini");
        for (const auto& [key, value] : source)
            platform::WritePrivateProfileString("s", key, value, from);
        // What the queue was given: a write ('w' key value), a replacement by
        // the source or a deletion ('r' or 'd'), a copy ('c' target).
        std::vector<std::tuple<char, QString, QString, std::optional<bool>>> steps;
        const auto model = [&](size_t end) { // the file after the first `end`
            Model m;
            for (size_t i = 0; i < end; ++i) {
                const auto& [kind, key, value, ok] = steps[i];
                if (kind == 'w')
                    m[key] = value;
                else if (kind != 'c' && ok.value_or(false))
                    m = kind == 'r' ? source : Model();
            }
            return m;
        };
        const auto settled = [&steps] {
            return std::all_of(steps.begin(), steps.end(),
                               [](const auto& s) { return std::get<0>(s) == 'w' || std::get<3>(s); });
        };
        const auto outcome = [&steps] {
            return [&steps, i = steps.size() - 1](const QString& error) {
                std::get<3>(steps[i]) = error.isEmpty();
            };
        };
        int lock = -1;
        std::optional<test::FullDisk> full;
        {
            platform::ProfileWriter writer(path);
            for (int action = 0; action < 40; ++action) {
                const unsigned pick = rng() % 100;
                if (pick < 40) {
                    steps.emplace_back('w', QStringLiteral("k%1").arg(rng() % 3),
                                       QString::number(rng() % 100), true);
                    writer.write("s", std::get<1>(steps.back()), std::get<2>(steps.back()));
                } else if (pick < 55) {
                    QCoreApplication::processEvents(); // hands the batch so far to the thread
                } else if (pick < 65 && settled()) {   // one at a time, as the window's commands come
                    const bool copy = rng() % 2;
                    steps.emplace_back(copy ? 'r' : 'd', QString(), QString(), std::nullopt);
                    writer.replaceFile(
                        {},
                        [copy, from, path] {
                            QString error = QStringLiteral("kept");
                            const bool done = copy ? platform::copyFileReplacing(from, path, &error)
                                                   : !QFile::exists(path) || QFile::remove(path);
                            return done ? QString() : error;
                        },
                        outcome());
                } else if (pick < 72) {
                    steps.emplace_back('c', dir.filePath(QStringLiteral("copy%1").arg(steps.size())),
                                       QString(), std::nullopt);
                    writer.copyTo(std::get<1>(steps.back()), {}, outcome());
                } else if (pick < 82) {
                    lock = lock < 0 ? test::holdFolderLock(dir.path()) : (::close(lock), -1);
                } else if (pick < 92) {
                    full ? full.reset() : void(full.emplace(0));
                } else if (settled()) {
                    EXPECT_EQ(read(path), model(steps.size())) << "reads see the queued writes in order";
                }
            }
            ::close(lock);
            full.reset();
            EXPECT_TRUE(writer.flush(platform::kProfileFlushWait));
            EXPECT_TRUE(writer.waiting().isEmpty());
            ASSERT_TRUE(test::waitFor(settled, 10000));
        }
        EXPECT_EQ(read(path), model(steps.size()));
        for (size_t i = 0; i < steps.size(); ++i)
            EXPECT_TRUE(std::get<0>(steps[i]) != 'c' || !*std::get<3>(steps[i]) ||
                        read(std::get<1>(steps[i])) == model(i));
    }
}

} // namespace
