// SPDX-License-Identifier: MIT
#include "conversionrun.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

// Regression: ".." steps in a listed path were joined below the destination as
// they were, so "/../../home/ann/" climbed out of it and a copy could replace a
// file among the user's own messages; resolved as text, "lnk/../" named another
// folder than the kernel does.
TEST(TargetFolder, StandsForTheFolderTheKernelFindsWhereThePathHoldsDotSteps)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString root = QDir(temp.path()).canonicalPath();
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/real/deep")));
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/home/bob/Mail")));
    ASSERT_EQ(::symlink(QFile::encodeName(root + QStringLiteral("/real/deep")).constData(),
                        QFile::encodeName(root + QStringLiteral("/lnk")).constData()),
              0);
    const struct
    {
        const char *destination;
        QString sourceFolder;
        QString expected; // "" for a failure
    } cases[] = {
        // Without dot steps the spelling is kept, whether the folder exists or not.
        {"/srv/out/", QStringLiteral("/home/ann/Mail/Inbox/"),
         QStringLiteral("/srv/out/home/ann/Mail/Inbox/")},
        {"/srv/out/", QStringLiteral("/"), QStringLiteral("/srv/out/")},
        {"/srv/out/", QStringLiteral("/home/.../..hidden/.x/"),
         QStringLiteral("/srv/out/home/.../..hidden/.x/")},
        {"/srv/out/", QStringLiteral("/../../../../") + root.mid(1) + QStringLiteral("/real/"),
         QStringLiteral("/srv/out") + root + QStringLiteral("/real/")},
        {"/srv/out/", root + QStringLiteral("/home/ann/../bob/./Mail/"), QString()},
        {"/srv/out/", root + QStringLiteral("/home/bob/../bob/./Mail/"),
         QStringLiteral("/srv/out") + root + QStringLiteral("/home/bob/Mail/")},
        {"/srv/out/", root + QStringLiteral("/lnk/../"),
         QStringLiteral("/srv/out") + root + QStringLiteral("/real/")},
        {"/", root + QStringLiteral("/lnk/./"), root + QStringLiteral("/real/deep/")},
    };
    for (const auto &c : cases) {
        const Outcome<QString> target =
            conversion::targetFolder(QString::fromUtf8(c.destination), c.sourceFolder);
        if (c.expected.isEmpty()) {
            EXPECT_FALSE(target) << c.sourceFolder.toStdString();
            EXPECT_TRUE(target.reason().contains(c.sourceFolder)) << target.reason().toStdString();
        } else {
            EXPECT_EQ(target.value().toStdString(), c.expected.toStdString())
                << c.sourceFolder.toStdString();
        }
    }
}

// The relative layout keeps only what lies below the row's root, and never a
// step that could climb out of the destination.
TEST(RelativeFolder, KeepsThePathBelowTheRootAndNothingThatLeavesTheDestination)
{
    const struct
    {
        const char *sourceFolder;
        const char *root;
        const char *expected; // nullptr for a failure
    } cases[] = {
        {"/m/Mail/Inbox/", "/m/Mail/", "/o/Inbox/"},
        {"/m/Mail/Inbox/2024/", "/m/Mail/", "/o/Inbox/2024/"},
        {"/m/Mail/", "/m/Mail/", "/o/"},
        {"/m/", "/m/Mail/", "/o/"},         // above the root: a Maildir SOURCE's parent
        {"/m/Mail/Inbox/", "", "/o/"},      // a file SOURCE
        {"/m/Mailbox/", "/m/Mail/", "/o/"}, // only a whole step counts
        {"/m/Mail/x/../../", "/m/Mail/", nullptr},
        {"/m/Mail/./x/", "/m/Mail/", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sourceFolder);
        const Outcome<QString> target = conversion::relativeFolder(
            QStringLiteral("/o/"), QString::fromUtf8(c.sourceFolder), QString::fromUtf8(c.root));
        if (!c.expected) {
            EXPECT_FALSE(target);
            EXPECT_TRUE(target.reason().contains(QString::fromUtf8(c.sourceFolder)));
        } else {
            EXPECT_EQ(target.value(), QString::fromUtf8(c.expected));
        }
    }
}

} // namespace
