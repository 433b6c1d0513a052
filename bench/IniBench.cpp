// Figures for the configuration file: saving every box at once, loading them,
// and a single key written into a full file. Targets on a developer machine:
// saving 70 boxes under 50 ms, a single key write under 5 ms.
#include "core/ConfigStore.h"
#include "core/IniFile.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct FullConfig
{
    FullConfig()
    {
        ini.SetFileName(dir.path() + QStringLiteral("/MainConfA.ini"));
        config::writeNewFile(ini);
        settings.NumBox = kMaxBoxes;
        for (int i = 0; i < kMaxBoxes; ++i) {
            boxes[size_t(i)] = new BoxRecord(nullptr, i);
            config::readBox(ini, 0, *boxes[size_t(i)], dir.path() + QStringLiteral("/Pictures/"));
            boxes[size_t(i)]->Text = QStringLiteral("Box number %1").arg(i);
            boxes[size_t(i)]->IPAdress = QStringLiteral("192.0.2.%1").arg(i);
        }
        config::saveBoxes(ini, settings, boxes);
    }
    ~FullConfig()
    {
        for (BoxRecord* box : boxes)
            delete box;
    }

    QTemporaryDir dir;
    CIniFile ini;
    MainSettings settings;
    BoxArray boxes{};
};

void SaveBoxes70(benchmark::State& state)
{
    FullConfig cfg;
    int round = 0;
    for (auto _ : state) {
        // A changed name each round, so that the file is really rewritten.
        cfg.boxes[0]->Text = QStringLiteral("Renamed %1").arg(++round);
        benchmark::DoNotOptimize(config::saveBoxes(cfg.ini, cfg.settings, cfg.boxes));
    }
    state.counters["keys"] = 1 + 40 * kMaxBoxes;
}
BENCHMARK(SaveBoxes70)->Unit(benchmark::kMillisecond);

void LoadConfig70(benchmark::State& state)
{
    FullConfig cfg;
    for (auto _ : state) {
        MainSettings settings;
        BoxArray boxes{};
        config::load(cfg.ini, cfg.ini.FileName(), settings, boxes, cfg.dir.path(), [] { return QRect(); });
        for (BoxRecord* box : boxes)
            delete box;
    }
}
BENCHMARK(LoadConfig70)->Unit(benchmark::kMillisecond);

void SingleKeyWriteInFullFile(benchmark::State& state)
{
    FullConfig cfg;
    int value = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(cfg.ini.WriteInt(QStringLiteral("main"), QStringLiteral("PosX"), ++value));
}
BENCHMARK(SingleKeyWriteInFullFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
