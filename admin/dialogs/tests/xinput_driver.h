#pragma once
// Drives a real window through the X server while its modal loop runs: a
// list of steps, each either real input through xdotool (the server delivers
// it like a user's) or a wait for a condition. A timer runs the steps, so
// they go on inside nested loops too (pop-up menus, message boxes). A step
// that does not come true in time fails the run, and the driver then closes
// every modal window so that nothing hangs.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>

namespace wltest {

// Whether real-window runs are possible here: an X server started by the
// test script (WARDLOCK_XVFB_DISPLAY) and the xdotool and import tools.
bool RealWindowsAvailable(std::string& why);

class XInputDriver {
public:
    XInputDriver();

    // Real input (global screen coordinates).
    void Click(std::function<QPoint()> where, int button = 1);
    // Presses at `from`, moves in steps to `to`, releases there.
    void DragMouse(std::function<QPoint()> from, std::function<QPoint()> to);
    // Waits until `done` holds (checked every 20 ms, for up to 10 seconds).
    void WaitFor(const std::string& what, std::function<bool()> done);
    // Runs `action` once (checks, screenshots).
    void Do(std::function<void()> action);

    // Starts running the steps; they run while the caller's modal loop does.
    void Start();
    bool Finished() const noexcept { return steps_.empty(); }
    // What went wrong, empty when every step passed.
    const std::string& Failure() const noexcept { return failure_; }

private:
    struct Step {
        std::string what;
        std::function<bool()> run; // true when the step is done
    };
    void Tick();
    void Fail(const std::string& why);

    std::deque<Step> steps_;
    QTimer timer_;
    int waitedTicks_ = 0;
    std::string failure_;
};

// Runs xdotool with the arguments; false when it failed.
bool XDoTool(const QStringList& arguments);

// Captures the X server's screen (or one window) with `import` into `file`
// and returns the number of distinct colours in the picture (0 when it could
// not be taken).
int Screenshot(const QString& file, unsigned long window = 0);

} // namespace wltest
