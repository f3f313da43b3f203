// The four-state check box: the order a click goes through, the owner's veto,
// the value it stands for, and that grayed looks differ by inherited value.

#include "wardlock/keeper/fourstatecheckbox.h"

#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using tor::TFourStateCheckBox;

namespace {

TEST(FourStateCheckBox, ClicksGoUncheckedCheckedGrayedAndBack)
{
    TFourStateCheckBox box(QStringLiteral("&Option"));
    EXPECT_TRUE(box.isTristate());
    std::vector<Qt::CheckState> seen;
    for (int i = 0; i < 3; ++i) {
        box.click();
        seen.push_back(box.checkState());
    }
    EXPECT_EQ(
        seen, (std::vector<Qt::CheckState> { Qt::Checked, Qt::PartiallyChecked, Qt::Unchecked }));

    box.setTristate(false);
    box.click();
    box.click();
    EXPECT_EQ(box.checkState(), Qt::Unchecked) << "two-state: grayed is skipped";
}

TEST(FourStateCheckBox, TheOwnerMayRefuseAChangeBeforeItHappens)
{
    TFourStateCheckBox box;
    std::vector<Qt::CheckState> asked;
    box.CanChange = [&](Qt::CheckState next) {
        asked.push_back(next);
        return next != Qt::PartiallyChecked;
    };
    box.click();
    box.click();
    EXPECT_EQ(box.checkState(), Qt::Checked) << "grayed refused";
    EXPECT_EQ(asked, (std::vector<Qt::CheckState> { Qt::Checked, Qt::PartiallyChecked }));
    box.setCheckState(Qt::PartiallyChecked);
    EXPECT_EQ(asked.size(), 2u) << "a programmatic change is not asked";
}

TEST(FourStateCheckBox, GrayedShowsTheInheritedValue)
{
    TFourStateCheckBox box(QStringLiteral("Option"));
    box.resize(box.sizeHint());
    box.setCheckState(Qt::PartiallyChecked);
    box.SetGrayedChecked(false);
    EXPECT_FALSE(box.ShownChecked());
    const QImage grayedOff = box.grab().toImage();
    box.SetGrayedChecked(true);
    EXPECT_TRUE(box.ShownChecked());
    const QImage grayedOn = box.grab().toImage();
    EXPECT_NE(grayedOff, grayedOn);

    box.setCheckState(Qt::Checked);
    const QImage checked = box.grab().toImage();
    EXPECT_NE(checked, grayedOn) << "grayed-checked is not drawn as plainly checked";
    box.setCheckState(Qt::Unchecked);
    EXPECT_FALSE(box.ShownChecked());
}

} // namespace
