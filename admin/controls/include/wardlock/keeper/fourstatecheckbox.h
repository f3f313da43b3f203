#pragma once
// A check box with four looks: unchecked, checked, and grayed (the value is
// inherited from elsewhere, e.g. a user's option taken from his group), drawn
// as a dimmed box that shows the inherited value. Grayed is Qt's partially
// checked state. A click or key press cycles unchecked → checked → grayed →
// unchecked (grayed is skipped while the box is not tristate), and the owner
// may refuse a change before it happens.

#include <QCheckBox>

#include <functional>

namespace tor {

// The four-state check box (see the top of this file).
class TFourStateCheckBox : public QCheckBox {
    Q_OBJECT
    // The inherited value shown while grayed (Designer forms set it).
    Q_PROPERTY(bool grayedChecked READ GrayedChecked WRITE SetGrayedChecked)

public:
    // An unchecked, not tristate box without text.
    explicit TFourStateCheckBox(QWidget* parent = nullptr);
    // An unchecked, not tristate box with `text`.
    explicit TFourStateCheckBox(const QString& text, QWidget* parent = nullptr);

    // Whether the box is grayed (Qt's partially checked state).
    bool Grayed() const { return checkState() == Qt::PartiallyChecked; }
    // The inherited value shown while grayed.
    bool GrayedChecked() const noexcept { return grayedChecked_; }
    void SetGrayedChecked(bool checked);
    // What the box stands for: the inherited value while grayed, else
    // whether it is checked.
    bool ShownChecked() const { return Grayed() ? grayedChecked_ : isChecked(); }

    // Asked before a click or key press changes the state, with the state it
    // would get; returning false keeps the current state. Programmatic
    // changes (setCheckState) are not asked.
    std::function<bool(Qt::CheckState next)> CanChange;

protected:
    // The cycle above, asking CanChange first.
    void nextCheckState() override;
    // Draws the grayed look over the box.
    void paintEvent(QPaintEvent* event) override;

private:
    bool grayedChecked_ = false;
};

} // namespace tor
