#include "legendmenu.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QWidgetAction>

namespace Security {

std::vector<TLegendEntry> ParamsLegend()
{
    return {
        { "&Group default - user can modify his own", LegendColors::GroupDefault },
        { "&Group default - user cannot modify his own", LegendColors::GroupDefaultLocked },
        { "&User's value - user can modify his own", LegendColors::OwnValue },
        { "&User's value - user cannot modify his own", LegendColors::OwnValueLocked },
    };
}

std::vector<TLegendEntry> RightsLegend()
{
    return {
        { "&Group default", LegendColors::GroupDefault },
        { "&User's value", LegendColors::OwnValue },
    };
}

std::vector<TLegendEntry> UsersLegend()
{
    return {
        { "User/Group can be modified", LegendColors::Modifiable },
        { "User/Group cannot be modified", LegendColors::OwnValue },
    };
}

QMenu* MakeLegendMenu(QWidget* parent, const std::vector<TLegendEntry>& entries)
{
    auto* menu = new QMenu(parent);
    for (const TLegendEntry& entry : entries) {
        QString text = entry.caption;
        text.remove(u'&');
        auto* label = new QLabel(text, menu);
        label->setMargin(4);
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::Button));
        palette.setColor(QPalette::WindowText, entry.color);
        label->setPalette(palette);
        auto* action = new QWidgetAction(menu);
        action->setDefaultWidget(label);
        action->setText(text);
        menu->addAction(action);
    }
    return menu;
}

void AttachLegend(QAbstractButton* button, QMenu* menu)
{
    QObject::connect(button, &QAbstractButton::clicked, menu,
        [button, menu] { menu->popup(button->mapToGlobal(QPoint(0, button->height()))); });
}

QColor ParamValueColor(bool groupDefault, bool userMayModify)
{
    if (groupDefault)
        return userMayModify ? LegendColors::GroupDefault : LegendColors::GroupDefaultLocked;
    return userMayModify ? QColor() : LegendColors::OwnValueLocked;
}

} // namespace Security
