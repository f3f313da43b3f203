#pragma once
// Driving dialogs as a user would, in process: each modal run is answered by
// the next step of a script (nested runs, such as the password dialog opened
// from the new-user dialog, take the following steps), keys go to whatever
// has the focus, and message boxes are recorded and answered with OK.

#include <wardlock/keeper/strings.h>
#include <wardlock/platform/dialogs.h>

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace wardlock_test {

class ModalScript {
public:
    using Step = std::function<void(QDialog&)>;

    explicit ModalScript(std::deque<Step> steps)
        : steps_(std::move(steps))
        , hook_([this](QDialog& dialog) { Run(dialog); })
    {
    }
    ~ModalScript()
    {
        EXPECT_TRUE(steps_.empty()) << steps_.size() << " dialog(s) expected but not shown";
    }
    int Shown() const { return shown_; }

private:
    void Run(QDialog& dialog)
    {
        ++shown_;
        if (steps_.empty()) {
            ADD_FAILURE() << "unexpected dialog: " << dialog.windowTitle().toStdString();
            dialog.reject();
            return;
        }
        Step step = std::move(steps_.front());
        steps_.pop_front();
        // A nested run hands the activation back to the dialog that opened it.
        QPointer<QWidget> opener = QApplication::activeWindow();
        QApplication::setActiveWindow(&dialog);
        step(dialog);
        if (opener && opener->isVisible())
            QApplication::setActiveWindow(opener);
    }

    std::deque<Step> steps_;
    int shown_ = 0;
    vcl::ScopedModalHook hook_;
};

class BoxRecorder {
public:
    BoxRecorder()
        : hook_([this](const vcl::MessageBoxRequest& box) {
            boxes.push_back(box);
            return vcl::IDOK;
        })
    {
    }
    // The texts shown, in order.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& box : boxes)
            texts.push_back(box.text);
        return texts;
    }

    std::vector<vcl::MessageBoxRequest> boxes;

private:
    vcl::ScopedMessageBoxHook hook_;
};

inline std::string Text(Security::TSecStringId id)
{
    return Security::SecString(id);
}

// A key to the focused widget, then the events it queued.
inline void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    if (!target)
        target = QApplication::activeWindow();
    ASSERT_NE(target, nullptr) << "nothing has the focus";
    QTest::keyClick(target, key, modifiers);
    QApplication::processEvents();
    // A button's accelerator (or a function key's shortcut) presses it with
    // a short animation.
    if ((modifiers & Qt::AltModifier) || (key >= Qt::Key_F1 && key <= Qt::Key_F35))
        QTest::qWait(150);
}

// Text typed into the focused widget, one key at a time.
inline void Type(const QString& text)
{
    for (const QChar c : text) {
        QTest::keyClicks(QApplication::focusWidget(), QString(c));
        QApplication::processEvents();
    }
}

} // namespace wardlock_test
