// Group hierarchy editor benchmarks, offscreen: opening the editor on a
// company of 500 groups and 5,000 relations (building the diagram, laying out
// groups without positions, routing every arrow, showing and painting the
// window), and one frame of a box drag on that diagram (the box follows the
// mouse, the visible canvas is painted again).
//
// Run: build/bin/hierarchy_bench (add --benchmark_repetitions=5 for medians).
// Goals: opening at most 1 s, a drag frame at most 16 ms.

#include "hierarchy_testkit.h"

#include "hierarchy/hierarchyedfrm.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Security;

namespace {

constexpr int kGroups = 500;
constexpr int kRelations = 5000;

// The company database, read once as the data module would read it.
struct Company {
    QTemporaryDir dir;
    std::unique_ptr<vcl::TDatabase> database;
    std::unique_ptr<wltest::SecurityHierarchy> hierarchy;

    Company()
    {
        database = wltest::OpenSqlite(dir.filePath(QStringLiteral("company.sqlite")));
        wltest::CreateHierarchyTables(*database);
        const int board = wltest::GenerateCompany(*database, kGroups, kRelations);
        hierarchy = std::make_unique<wltest::SecurityHierarchy>(*database, board);
    }
};

Company& TheCompany()
{
    static Company company;
    return company;
}

std::unique_ptr<TSecurityHierarchyEdFrm> OpenEditor()
{
    auto form = std::make_unique<TSecurityHierarchyEdFrm>(nullptr,
        TheCompany().hierarchy->Input(srInsert | srModify | srDelete),
        [](TGroupProperties&) { return false; });
    form->resize(1024, 768);
    form->show();
    // The first frame, painted as the window shows it (offscreen a repaint
    // right after showing paints nothing: the window is not exposed yet).
    QWidget* canvas = form->GroupSpace->viewport();
    QImage frame(canvas->size(), QImage::Format_ARGB32_Premultiplied);
    canvas->render(&frame);
    return form;
}

void BM_OpenEditor(benchmark::State& state)
{
    TheCompany();
    size_t relations = 0;
    for (auto _ : state) {
        auto form = OpenEditor();
        state.PauseTiming();
        relations = form->Model().Relations().size();
        form.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["groups"] = kGroups;
    state.counters["relations"] = static_cast<double>(relations);
}
BENCHMARK(BM_OpenEditor)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons,
        Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// The visible box with the most relations is dragged to and fro; every frame
// moves it with the mouse and paints the visible canvas into an image.
void BM_DragFrame(benchmark::State& state)
{
    auto form = OpenEditor();
    TGroupSpace* space = form->GroupSpace;
    QWidget* canvas = space->viewport();
    const QRect visible(space->ToCanvas(QPoint(0, 0)), canvas->size());
    THierarchyModel& model = *space->Model();
    TGroupFrame* dragged = nullptr;
    size_t most = 0;
    for (int row = 0; row < model.BoxCount(); ++row) {
        TGroupFrame& box = model.Box(row);
        const size_t count = box.Outgoing().size() + box.Incoming().size();
        if (visible.contains(box.Bounds()) && count > most) {
            dragged = &box;
            most = count;
        }
    }
    int relations = 0;
    for (const auto& relation : model.Relations())
        relations += THierarchyModel::Attached(*relation)
            && relation->Shape().Bounds.intersects(QRectF(visible));

    QImage frame(canvas->size(), QImage::Format_ARGB32_Premultiplied);
    const QPoint grip = space->ToViewport(dragged->Centre());
    SendMouse(canvas, QEvent::MouseButtonPress, grip, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        const QPoint offset(12 + step % 40, 12 + (step * 7) % 30);
        ++step;
        SendMouse(canvas, QEvent::MouseMove, grip + offset, Qt::LeftButton);
        canvas->render(&frame);
    }
    SendMouse(canvas, QEvent::MouseButtonRelease, grip, Qt::NoButton);
    if (!dragged->Moved())
        state.SkipWithError("the box did not follow the mouse");
    state.counters["dragged_box_relations"] = static_cast<double>(most);
    state.counters["relations_in_view"] = relations;
}
BENCHMARK(BM_DragFrame)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
