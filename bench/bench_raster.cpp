// The toolkit canvas against Qt's raster painter doing the same work into the same image:
// one-pixel lines in all directions, grid lines, dotted and not-xor lines, series-like
// polylines and rectangle fills. Prints time per operation and the ratio ours / Qt.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/Canvas.h"
#include "toolkit/Graphics.h"
#include "toolkit/Graphics_p.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

struct Segment
{
    int x0, y0, x1, y1;
};

std::vector<Segment> RandomLines(int count, int maxLength, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> x(0, kWidth - 1);
    std::uniform_int_distribution<int> y(0, kHeight - 1);
    std::uniform_int_distribution<int> d(-maxLength, maxLength);
    std::vector<Segment> out;
    for (int i = 0; i < count; ++i) {
        const int x0 = x(rng);
        const int y0 = y(rng);
        out.push_back({x0, y0, std::clamp(x0 + d(rng), 0, kWidth - 1),
                       std::clamp(y0 + d(rng), 0, kHeight - 1)});
    }
    return out;
}

std::vector<Segment> GridLines()
{
    std::vector<Segment> out;
    for (int x = 0; x < kWidth; x += 4)
        out.push_back({x, 0, x, kHeight});
    for (int y = 0; y < kHeight; y += 4)
        out.push_back({0, y, kWidth, y});
    return out;
}

// A square wave like the viewer's series: short horizontal and vertical steps.
std::vector<Segment> SeriesSteps()
{
    std::vector<Segment> out;
    int y = 100;
    for (int x = 0; x + 1 < kWidth; ++x) {
        const int ny = (x / 3) % 2 == 0 ? 100 : 600;
        out.push_back({x, y, x, ny});
        out.push_back({x, ny, x + 1, ny});
        y = ny;
    }
    return out;
}

std::vector<QRect> RandomRects(int count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> x(0, kWidth - 1);
    std::uniform_int_distribution<int> y(0, kHeight - 1);
    std::uniform_int_distribution<int> s(1, 200);
    std::vector<QRect> out;
    for (int i = 0; i < count; ++i)
        out.emplace_back(x(rng), y(rng), s(rng), s(rng));
    return out;
}

// Best of several runs, in nanoseconds per operation. The two sides alternate from run to run,
// so that load from other processes on the machine hits both alike.
std::pair<double, double> TimeBoth(int ops, const std::function<void()>& ours,
                                   const std::function<void()>& theirs)
{
    double best[2] = {1e300, 1e300};
    for (int run = 0; run < 15; ++run) {
        for (int side = 0; side < 2; ++side) {
            const auto t0 = std::chrono::steady_clock::now();
            (side == 0 ? ours : theirs)();
            const auto t1 = std::chrono::steady_clock::now();
            best[side] = std::min(best[side],
                                  std::chrono::duration<double, std::nano>(t1 - t0).count() / ops);
        }
    }
    return {best[0], best[1]};
}

struct Workload
{
    std::string name;
    std::vector<Segment> lines;
    std::vector<QRect> rects;
    TPenStyle style = psSolid;
    TPenMode mode = pmCopy;
};

void Report(const Workload& w, QImage& image)
{
    std::unique_ptr<TCanvas> canvas = CreateImageCanvas(&image);
    canvas->Pen()->SetColor(clNavy);
    canvas->Pen()->SetStyle(w.style);
    canvas->Pen()->SetMode(w.mode);
    canvas->Brush()->SetColor(clTeal);
    const int ops = static_cast<int>(w.lines.size() + w.rects.size());

    const auto [ours, qt] = TimeBoth(
        ops,
        [&] {
            for (const Segment& s : w.lines) {
                canvas->MoveTo(s.x0, s.y0);
                canvas->LineTo(s.x1, s.y1);
            }
            for (const QRect& r : w.rects)
                canvas->FillRect(
                    TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()});
        },
        [&] {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing, false);
            QPen pen(QColor(0, 0, 128), 1, w.style == psDot ? Qt::DotLine : Qt::SolidLine,
                     Qt::FlatCap);
            p.setPen(pen);
            if (w.mode == pmNotXor)
                p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
            for (const Segment& s : w.lines)
                p.drawLine(s.x0, s.y0, s.x1, s.y1);
            const QColor teal(0, 128, 128);
            for (const QRect& r : w.rects)
                p.fillRect(r, teal);
        });
    std::printf("%-34s ours %9.1f ns/op   Qt %9.1f ns/op   ratio %.2f\n", w.name.c_str(), ours, qt,
                ours / qt);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);

    std::vector<Workload> loads;
    loads.push_back({"lines, all directions (len<=300)", RandomLines(20000, 300, 1), {}});
    loads.push_back({"short lines, all directions (<=8)", RandomLines(100000, 8, 2), {}});
    loads.push_back({"grid lines (horizontal+vertical)", GridLines(), {}});
    loads.push_back({"series steps (square wave)", SeriesSteps(), {}});
    Workload dotted{"dotted lines, all directions", RandomLines(20000, 300, 3), {}};
    dotted.style = psDot;
    loads.push_back(dotted);
    Workload dottedGrid{"dotted grid lines", GridLines(), {}};
    dottedGrid.style = psDot;
    loads.push_back(dottedGrid);
    Workload notXor{"not-xor lines, all directions", RandomLines(20000, 300, 4), {}};
    notXor.mode = pmNotXor;
    loads.push_back(notXor);
    loads.push_back({"rectangle fills (1..200 px sides)", {}, RandomRects(5000, 5)});
    loads.push_back({"small fills (1..200 px, few)", {}, RandomRects(200, 6)});
    std::vector<QRect> whole(50, QRect(0, 0, kWidth, kHeight));
    loads.push_back({"whole-image fills", {}, whole});

    std::printf("image %d x %d, RGB32; best of 15 alternating runs\n", kWidth, kHeight);
    for (const Workload& w : loads)
        Report(w, image);
    return 0;
}
