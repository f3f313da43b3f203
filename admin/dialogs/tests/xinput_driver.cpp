#include "xinput_driver.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QWidget>

namespace wltest {

namespace {

constexpr int kTickMs = 20;
constexpr int kWaitTicks = 10000 / kTickMs;
constexpr int kDragSteps = 6;

QStringList Point(QPoint p)
{
    return { QString::number(p.x()), QString::number(p.y()) };
}

// Closes pop-ups and modal windows without asking anything.
void CloseEverything()
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->done(QDialog::Rejected);
}

} // namespace

bool RealWindowsAvailable(std::string& why)
{
    if (qEnvironmentVariableIsEmpty("WARDLOCK_XVFB_DISPLAY")) {
        why = "WARDLOCK_XVFB_DISPLAY is not set (the test script starts Xvfb)";
        return false;
    }
    for (const char* tool : { "xdotool", "import" }) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            why = std::string(tool) + " is missing";
            return false;
        }
    }
    return true;
}

bool XDoTool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

int Screenshot(const QString& file, unsigned long window)
{
    const QString source = window ? QString::number(window) : QStringLiteral("root");
    if (QProcess::execute(QStringLiteral("import"), { QStringLiteral("-window"), source, file })
        != 0)
        return 0;
    QImage image(file);
    if (image.isNull())
        return 0;
    image = image.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            colours.insert(line[x]);
    }
    return static_cast<int>(colours.size());
}

XInputDriver::XInputDriver()
{
    timer_.setInterval(kTickMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
}

void XInputDriver::Click(std::function<QPoint()> where, int button)
{
    steps_.push_back({ "click",
        [where, button] {
            const QStringList move = QStringList { QStringLiteral("mousemove") } + Point(where());
            return XDoTool(move + QStringList { QStringLiteral("click"), QString::number(button) });
        } });
}

void XInputDriver::DragMouse(std::function<QPoint()> from, std::function<QPoint()> to)
{
    auto start = std::make_shared<QPoint>();
    auto end = std::make_shared<QPoint>();
    steps_.push_back({ "press", [=] {
                          *start = from();
                          *end = to();
                          return XDoTool(QStringList { QStringLiteral("mousemove") } + Point(*start)
                              + QStringList { QStringLiteral("mousedown"), QStringLiteral("1") });
                      } });
    // One move per tick, so the window sees every step of the way.
    for (int step = 1; step <= kDragSteps; ++step) {
        steps_.push_back({ "move", [=] {
                              const QPoint p = *start + (*end - *start) * step / kDragSteps;
                              return XDoTool(
                                  QStringList { QStringLiteral("mousemove") } + Point(p));
                          } });
    }
    steps_.push_back({ "release", [] {
                          return XDoTool({ QStringLiteral("mouseup"), QStringLiteral("1") });
                      } });
}

void XInputDriver::WaitFor(const std::string& what, std::function<bool()> done)
{
    steps_.push_back({ what, std::move(done) });
}

void XInputDriver::Do(std::function<void()> action)
{
    steps_.push_back({ "action", [action] {
                          action();
                          return true;
                      } });
}

void XInputDriver::Start()
{
    waitedTicks_ = 0;
    timer_.start();
}

void XInputDriver::Tick()
{
    if (steps_.empty()) {
        timer_.stop();
        return;
    }
    // The step may open a nested loop (a menu, a message box) in which this
    // timer fires again: it must not run twice meanwhile.
    timer_.stop();
    Step step = steps_.front();
    const bool done = step.run();
    if (!failure_.empty())
        return;
    if (done) {
        steps_.pop_front();
        waitedTicks_ = 0;
    } else if (++waitedTicks_ > kWaitTicks) {
        Fail("timed out waiting for: " + step.what);
        return;
    }
    if (!steps_.empty())
        timer_.start();
}

void XInputDriver::Fail(const std::string& why)
{
    failure_ = why;
    steps_.clear();
    timer_.stop();
    CloseEverything();
}

} // namespace wltest
