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

// One thing the queue was given: a write ('w'), a replacement by a source
// or a deletion ('r', source -1) or a copy ('c'); `ok` is its outcome.
struct Step
{
    char kind;
    QString key = {}, value = {}; // the write's; the copy's target in `key`
    int source = 0;
    std::optional<bool> ok = std::nullopt;
};

// Through the writer while one is made for the file, so with what waits.
Model read(const QString& path)
{
    CIniFile ini;
    ini.SetFileName(path);
    Model model;
    for (const char* key : {"k0", "k1", "k2", "k3", "k4"})
        if (const QString value = ini.GetString("s", key, "-"); value != QLatin1String("-"))
            model[QString::fromLatin1(key)] = value;
    return model;
}

TEST(ProfileWriterQueue, RandomRunsLeaveTheFilesTheModelSays)
{
    const std::vector<Model> sources = {{{"k0", "a0"}, {"k1", "a1"}}, {{"k3", "b3"}, {"k4", "b4"}}};
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("conf.ini"));
        std::vector<QString> from;
        for (const Model& source : sources) {
            from.push_back(dir.filePath(QStringLiteral("source%1.ini").arg(from.size())));
            for (const auto& [key, value] : source)
                platform::WritePrivateProfileString("s", key, value, from.back());
        }
        platform::WritePrivateProfileString("s", "k2", "start", path);
        std::vector<Step> steps;
        // The file as the first `end` steps leave it.
        const auto model = [&](size_t end) {
            Model m = {{"k2", "start"}};
            for (size_t i = 0; i < end; ++i)
                if (steps[i].kind == 'w')
                    m[steps[i].key] = steps[i].value;
                else if (steps[i].kind == 'r' && steps[i].ok.value_or(false))
                    m = steps[i].source < 0 ? Model() : sources[size_t(steps[i].source)];
            return m;
        };
        const auto settled = [&steps] {
            return std::all_of(steps.begin(), steps.end(),
                               [](const Step& s) { return s.kind == 'w' || s.ok; });
        };
        int lock = -1;
        std::optional<test::FullDisk> full;
        {
            platform::ProfileWriter writer(path);
            const auto outcome = [&steps] {
                return
                    [&steps, i = steps.size() - 1](const QString& error) { steps[i].ok = error.isEmpty(); };
            };
            for (int action = 0; action < 40; ++action) {
                const unsigned pick = rng() % 100;
                if (pick < 40) {
                    steps.push_back(
                        {'w', QStringLiteral("k%1").arg(rng() % 5), QString::number(rng() % 1000)});
                    writer.write("s", steps.back().key, steps.back().value);
                } else if (pick < 55) {
                    QCoreApplication::processEvents(); // hands the batch so far to the thread
                } else if (pick < 65 && settled()) {   // one at a time, as the window's commands come
                    steps.push_back({'r', {}, {}, int(rng() % 3) - 1});
                    const QString source =
                        steps.back().source < 0 ? QString() : from[size_t(steps.back().source)];
                    writer.replaceFile(
                        QString(),
                        [source, path] {
                            QString error = QStringLiteral("kept");
                            const bool done = source.isEmpty()
                                                  ? !QFile::exists(path) || QFile::remove(path)
                                                  : platform::copyFileReplacing(source, path, &error);
                            return done ? QString() : error;
                        },
                        outcome());
                } else if (pick < 72) {
                    steps.push_back({'c', dir.filePath(QStringLiteral("copy%1.ini").arg(steps.size()))});
                    writer.copyTo(steps.back().key, QString(), outcome());
                } else if (pick < 82) {
                    lock = lock < 0 ? test::holdFolderLock(dir.path()) : (::close(lock), -1);
                } else if (pick < 92) {
                    if (full)
                        full.reset();
                    else
                        full.emplace(0);
                } else if (settled()) {
                    EXPECT_EQ(read(path), model(steps.size())) << "reads see the queued writes in order";
                }
            }
            if (lock >= 0)
                ::close(lock);
            full.reset();
            EXPECT_TRUE(writer.flush(platform::kProfileFlushWait));
            EXPECT_TRUE(writer.waiting().isEmpty());
            ASSERT_TRUE(test::waitFor(settled, 10000));
        }
        EXPECT_EQ(read(path), model(steps.size()));
        for (size_t i = 0; i < steps.size(); ++i)
            EXPECT_TRUE(steps[i].kind != 'c' || !*steps[i].ok || read(steps[i].key) == model(i))
                << "copy " << i;
    }
}

} // namespace
