#include "wardlock/keeper/fourstatecheckbox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace tor {

TFourStateCheckBox::TFourStateCheckBox(QWidget* parent)
    : QCheckBox(parent)
{
    setTristate(true);
}

TFourStateCheckBox::TFourStateCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent)
{
    setTristate(true);
}

void TFourStateCheckBox::SetGrayedChecked(bool checked)
{
    if (grayedChecked_ == checked)
        return;
    grayedChecked_ = checked;
    if (Grayed())
        update();
}

void TFourStateCheckBox::nextCheckState()
{
    Qt::CheckState next = Qt::Unchecked;
    switch (checkState()) {
    case Qt::Unchecked:
        next = Qt::Checked;
        break;
    case Qt::Checked:
        next = isTristate() ? Qt::PartiallyChecked : Qt::Unchecked;
        break;
    case Qt::PartiallyChecked:
        next = Qt::Unchecked;
        break;
    }
    if (CanChange && !CanChange(next))
        return;
    setCheckState(next);
}

void TFourStateCheckBox::paintEvent(QPaintEvent* event)
{
    if (!Grayed()) {
        QCheckBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.state &= ~(QStyle::State_NoChange | QStyle::State_On | QStyle::State_Off);
    option.state |= grayedChecked_ ? QStyle::State_On : QStyle::State_Off;

    // The box is drawn as a disabled one would be; the text stays readable.
    QStyleOptionButton box = option;
    box.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    box.state &= ~QStyle::State_Enabled;
    box.palette.setCurrentColorGroup(QPalette::Disabled);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);

    QStyleOptionButton label = option;
    label.rect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    painter.drawControl(QStyle::CE_CheckBoxLabel, label);

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = style()->subElementRect(QStyle::SE_CheckBoxFocusRect, &option, this);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace tor
