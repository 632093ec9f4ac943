// SPDX-License-Identifier: MIT
#include "progressbar.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(ProgressBar, StartsAtZeroOfAHundredWithoutText)
{
    ProgressBar bar;
    EXPECT_EQ(bar.Min(), 0.0f);
    EXPECT_EQ(bar.Max(), 100.0f);
    EXPECT_EQ(bar.Value(), 0.0f);
    EXPECT_FALSE(bar.isTextVisible());
    EXPECT_EQ(bar.orientation(), Qt::Horizontal);
}

TEST(ProgressBar, ReadsBackFractionalValuesUnchangedAndShowsThemInThousandths)
{
    struct Case
    {
        float value;
        int shown;
    };
    const Case cases[] = {
        {33.33333f, 33333}, {66.66667f, 66667}, {100.0f, 100000}, {0.0005f, 1}, {12.5f, 12500}};
    ProgressBar bar;
    for (const Case &c : cases) {
        bar.setValue(c.value);
        EXPECT_EQ(bar.Value(), c.value);
        EXPECT_EQ(bar.QProgressBar::value(), c.shown) << c.value;
        EXPECT_EQ(bar.maximum(), 100000);
    }
}

TEST(ProgressBar, MovesValuesOutsideTheRangeToItsNearerEnd)
{
    struct Case
    {
        float value;
        float kept;
    };
    const Case cases[] = {{-5.0f, 0.0f}, {100.5f, 100.0f}, {NAN, 0.0f}, {INFINITY, 100.0f}};
    ProgressBar bar;
    for (const Case &c : cases) {
        bar.setValue(c.value);
        EXPECT_EQ(bar.Value(), c.kept) << c.value;
    }
}

TEST(ProgressBar, KeepsTheValueInsideANewRange)
{
    ProgressBar bar;
    bar.setValue(80.0f);
    bar.setMax(50.0f);
    EXPECT_EQ(bar.Value(), 50.0f);
    bar.setMin(60.0f);
    EXPECT_EQ(bar.Min(), 60.0f);
    EXPECT_EQ(bar.Max(), 60.0f) << "a maximum below the minimum is taken as the minimum";
    EXPECT_EQ(bar.Value(), 60.0f);
}
