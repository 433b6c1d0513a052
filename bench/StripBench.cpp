// Painting the strip offscreen (all 70 tiles, and one tile), and the time
// from start to every one of 70 loopback boxes showing its first status.
// Targets on a developer machine: one tile under 1 ms, the whole strip under
// 10 ms, every first status within 1.5 s.
#include "core/NetThread.h"
#include "ui/KorvalenDlg.h"
#include "ui/StripPainter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int kBoxes = 70;

struct Strip
{
    Strip()
    {
        res.stripRow = QImage(QStringLiteral(":/images/153.png"));
        res.errorIcon = QImage(QStringLiteral(":/images/248.png"));
        res.nameFont = stripNameFont();
        res.infoFont = stripInfoFont();
        const QImage picture(QStringLiteral(":/images/128.png"));
        for (int i = 0; i < kBoxes; ++i) {
            auto* box = new BoxRecord(nullptr, i);
            box->Text = QStringLiteral("Box %1").arg(i);
            box->IPAdress = QStringLiteral("192.0.2.%1").arg(i);
            box->VerifyMetod = METHOD_PING;
            box->m_nStatus = i % 3 == 0 ? STATUS_DOWN : (i % 3 == 1 ? STATUS_UP : STATUS_NET_ERROR);
            box->m_dwLastValue = uint32_t(i);
            box->PicTypeOnLine = box->PicTypeOffLine = 1;
            box->m_hOnLineIcon = box->m_hOffLineIcon = picture;
            box->m_bmOnLineIcon = box->m_bmOffLineIcon = BitmapSize{32, 32};
            boxes[size_t(i)] = box;
        }
        view.metrics = stripMetrics(90, 80, kBoxes, 1);
        image = QImage(stripWindowSize(view.metrics), QImage::Format_ARGB32_Premultiplied);
    }
    ~Strip()
    {
        for (BoxRecord* box : boxes)
            delete box;
    }
    StripResources res;
    StripView view;
    BoxArray boxes{};
    QImage image;
};

void WholeStrip70(benchmark::State& state)
{
    Strip strip;
    for (auto _ : state) {
        QPainter painter(&strip.image);
        paintStrip(painter, strip.view, strip.res, strip.boxes, strip.image.rect());
    }
}
BENCHMARK(WholeStrip70)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void OneTile(benchmark::State& state)
{
    Strip strip;
    const QRect tile = tileRect(strip.view.metrics, 35);
    for (auto _ : state) {
        QPainter painter(&strip.image);
        painter.setClipRect(tile);
        paintStrip(painter, strip.view, strip.res, strip.boxes, tile);
    }
}
BENCHMARK(OneTile)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

class StartedWindow : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

// From the window's construction to the moment every box has its first
// checked status.
void startToFirstStatus()
{
    QTemporaryDir dir;
    qputenv("APPDATA", dir.path().toLocal8Bit());
    QDir().mkpath(dir.path() + QStringLiteral("/run"));
    qputenv("XDG_RUNTIME_DIR", (dir.path() + QStringLiteral("/run")).toLocal8Bit());
    QDir().mkpath(dir.path() + QStringLiteral("/Korvalen"));
    QByteArray config = "[main]\nFirstStart=0\nNumBox=70\nTimeOut=1000\n";
    for (int i = 0; i < kBoxes; ++i)
        config += "[Box " + QByteArray::number(i) + "]\nIPAdress=127.0.0." + QByteArray::number(i + 1) + "\n";
    QFile file(dir.path() + QStringLiteral("/Korvalen/MainConfA.ini"));
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(config);
    file.close();

    QElapsedTimer timer;
    timer.start();
    qint64 elapsed = -1;
    {
        StartedWindow window(nullptr, 0);
        window.OnInitDialog();
        while (timer.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            bool all = true;
            for (int i = 0; i < kBoxes && all; ++i)
                all = window.m_pBoxes[size_t(i)]->m_nStatus != STATUS_CHECKING;
            if (all) {
                elapsed = timer.elapsed();
                break;
            }
        }
        window.close();
    }
    while (CNetThread::RunningCount() > 0 && timer.elapsed() < 15000)
        QThread::msleep(10);
    std::printf("Start to the first status of all %d boxes: %lld ms\n", kBoxes,
                static_cast<long long>(elapsed));
}

} // namespace

int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(korvalen);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    startToFirstStatus();
    return 0;
}
