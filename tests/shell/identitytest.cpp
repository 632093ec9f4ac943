// SPDX-License-Identifier: MIT
#include "identity.h"

#include "fakedialogs.h"
#include "frmstep1.h"

#include <gtest/gtest.h>
#include <QGuiApplication>

namespace {

TEST(ApplicationIdentity, NamesTheProgramWithoutADisplayNameThatWouldChangeCaptions)
{
    // Regression guard: a display name of "Brantwell Letterfold" made Qt append it
    // to every title that does not end with it, so the run's closing box, captioned
    // "Letterfold", was titled otherwise. Unset, the display name is the name.
    shell::setApplicationIdentity();
    EXPECT_EQ(QGuiApplication::applicationName(), QStringLiteral("Letterfold"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Letterfold"));
    EXPECT_EQ(QGuiApplication::organizationName(), QStringLiteral("Brantwell Inc."));
    EXPECT_EQ(QGuiApplication::applicationVersion(), QStringLiteral("2.0.0"));
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("letterfold"));

    FakeDialogs dialogs;
    const frmStep1 form(&dialogs);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Brantwell Letterfold"));
}

} // namespace
