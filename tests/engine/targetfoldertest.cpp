// SPDX-License-Identifier: MIT
#include "conversionrun.h"

#include <gtest/gtest.h>

namespace {

struct TargetFolderCase
{
    const char *destination;
    const char *sourceFolder;
    const char *expected;
};

// Regression: ".." steps in a listed path were joined below the destination as
// they were, so "/../../home/ann/" climbed out of it and a copy could replace a
// file among the user's own messages.
TEST(TargetFolder, ResolvesDotStepsAsTextAndNeverClimbsAboveTheDestination)
{
    const TargetFolderCase cases[] = {
        {"/srv/out/", "/home/ann/Mail/Inbox/", "/srv/out/home/ann/Mail/Inbox/"},
        {"/srv/out/", "/", "/srv/out/"},
        {"/srv/out/", "/../../../../etc/", "/srv/out/etc/"},
        {"/srv/out/", "/home/ann/../bob/./Mail/", "/srv/out/home/bob/Mail/"},
        {"/srv/out/", "/home/../../..//", "/srv/out/"},
        {"/srv/out/", "/a/b/../../../", "/srv/out/"},
        // Names that merely start with dots are names.
        {"/srv/out/", "/home/.../..hidden/", "/srv/out/home/.../..hidden/"},
        {"/", "/../tmp/x/", "/tmp/x/"},
    };
    for (const TargetFolderCase &c : cases) {
        EXPECT_EQ(conversion::targetFolder(QString::fromUtf8(c.destination),
                                           QString::fromUtf8(c.sourceFolder))
                      .toStdString(),
                  c.expected)
            << c.sourceFolder;
    }
}

} // namespace
