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

#include <map>
#include <optional>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

using Model = std::map<QString, QString>; // key of section "s" -> value; missing keys are absent

const QString kSection = QStringLiteral("s");
const QStringList kKeys = {QStringLiteral("k0"), QStringLiteral("k1"), QStringLiteral("k2"),
                           QStringLiteral("k3"), QStringLiteral("k4")};

// What the queue was given, in order; outcomes come from the writer.
struct Step
{
    enum Kind
    {
        Write,
        Replace,
        Copy
    } kind;
    QString key, value; // Write
    int source = 0;     // Replace: an index into the sources, -1 for deleting the file
    QString target;     // Copy
    std::optional<bool> ok;
};

Model readModel(const QString& path)
{
    Model model;
    for (const QString& key : kKeys) {
        QString value;
        if (platform::GetPrivateProfileString(kSection, key, QStringLiteral("<none>"), value, 64, path) &&
            value != QLatin1String("<none>"))
            model[key] = value;
    }
    return model;
}

// The file as the steps up to `end` leave it, by the model.
Model expected(const Model& start, const std::vector<Model>& sources, const std::vector<Step>& steps,
               size_t end)
{
    Model model = start;
    for (size_t i = 0; i < end; ++i) {
        const Step& s = steps[i];
        if (s.kind == Step::Write)
            model[s.key] = s.value;
        else if (s.kind == Step::Replace && s.ok.value_or(false))
            model = s.source < 0 ? Model() : sources[size_t(s.source)];
    }
    return model;
}

TEST(ProfileWriterQueue, RandomRunsLeaveTheFilesTheModelSays)
{
    const std::vector<Model> sources = {{{"k0", "a0"}, {"k1", "a1"}, {"k2", "a2"}},
                                        {{"k3", "b3"}, {"k4", "b4"}}};
    const Model start = {{"k0", "start"}, {"k4", "start"}};
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/conf.ini");
        std::vector<QString> sourcePaths;
        for (size_t i = 0; i < sources.size(); ++i) {
            sourcePaths.push_back(dir.path() + QStringLiteral("/source%1.ini").arg(i));
            for (const auto& [key, value] : sources[i])
                platform::WritePrivateProfileString(kSection, key, value, sourcePaths.back());
        }
        for (const auto& [key, value] : start)
            platform::WritePrivateProfileString(kSection, key, value, path);

        std::vector<Step> steps;
        int lock = -1;
        std::optional<test::FullDisk> full;
        {
            platform::ProfileWriter writer(path);
            CIniFile ini;
            ini.SetFileName(path);
            const auto outcome = [&steps](size_t step) {
                return [&steps, step](const QString& error) { steps[step].ok = error.isEmpty(); };
            };
            const auto settled = [&steps] {
                for (const Step& s : steps)
                    if (s.kind != Step::Write && !s.ok)
                        return false;
                return true;
            };
            for (int action = 0; action < 40; ++action) {
                const int pick = int(rng() % 100);
                if (pick < 40) {
                    const QString key = kKeys[qsizetype(rng() % kKeys.size())];
                    const QString value = QString::number(rng() % 1000);
                    steps.push_back({Step::Write, key, value, 0, {}, {}});
                    writer.write(kSection, key, value);
                } else if (pick < 55) {
                    // The batch of the writes so far is handed to the thread.
                    QCoreApplication::processEvents();
                } else if (pick < 65 && settled()) {
                    // One at a time, as the window's commands come.
                    const int source = int(rng() % (sources.size() + 1)) - 1;
                    steps.push_back({Step::Replace, {}, {}, source, {}, {}});
                    const QString from = source < 0 ? QString() : sourcePaths[size_t(source)];
                    writer.replaceFile(
                        QString(),
                        [from, path]() -> QString {
                            if (from.isEmpty())
                                return QFile::exists(path) && !QFile::remove(path) ? QStringLiteral("kept")
                                                                                   : QString();
                            QString error;
                            return platform::copyFileReplacing(from, path, &error) ? QString() : error;
                        },
                        outcome(steps.size() - 1));
                } else if (pick < 72) {
                    const QString target = dir.path() + QStringLiteral("/copy%1.ini").arg(steps.size());
                    steps.push_back({Step::Copy, {}, {}, 0, target, {}});
                    writer.copyTo(target, QString(), outcome(steps.size() - 1));
                } else if (pick < 82) {
                    if (lock >= 0) {
                        ::close(lock);
                        lock = -1;
                    } else {
                        lock = test::holdFolderLock(dir.path());
                        ASSERT_GE(lock, 0);
                    }
                } else if (pick < 92) {
                    if (full)
                        full.reset();
                    else
                        full.emplace(0);
                } else if (settled()) {
                    // Reads see the queued writes in order over the file.
                    Model read;
                    for (const QString& key : kKeys)
                        if (QString value = ini.GetString(kSection, key, QStringLiteral("<none>"));
                            value != QLatin1String("<none>"))
                            read[key] = value;
                    EXPECT_EQ(read, expected(start, sources, steps, steps.size()));
                }
            }
            if (lock >= 0)
                ::close(lock);
            full.reset();
            EXPECT_TRUE(writer.flush(platform::kProfileFlushWait));
            EXPECT_TRUE(writer.waiting().isEmpty());
            ASSERT_TRUE(test::waitFor(settled, 10000));
        }
        EXPECT_EQ(readModel(path), expected(start, sources, steps, steps.size()));
        for (size_t i = 0; i < steps.size(); ++i) {
            if (steps[i].kind == Step::Copy && *steps[i].ok) {
                EXPECT_EQ(readModel(steps[i].target), expected(start, sources, steps, i)) << "copy " << i;
            }
        }
    }
}

} // namespace
