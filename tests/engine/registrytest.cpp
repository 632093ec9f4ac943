// SPDX-License-Identifier: MIT
#include "registry.h"

#include <gtest/gtest.h>

TEST(FolderOfAndFileNameOf, SplitAPathAtItsLastSlash)
{
    const struct
    {
        const char *path;
        const char *folder;
        const char *fileName;
    } rows[] = {
        {"/home/a/x.eml", "/home/a/", "x.eml"},
        {"a.eml", "", "a.eml"},
        {"/mail/", "/mail/", ""},
        {"/", "/", ""},
        {"", "", ""},
        // Only "/" separates: a backslash is an ordinary character here.
        {"C:\\Mail\\a.eml", "", "C:\\Mail\\a.eml"},
        {"/mail\\box/a\\b.eml", "/mail\\box/", "a\\b.eml"},
        // Nothing is normalised.
        {"//srv//a/../b.eml", "//srv//a/../", "b.eml"},
        {"/home/ann/Mail.d/.hidden", "/home/ann/Mail.d/", ".hidden"},
        {"/home/änn/日本/メール.eml", "/home/änn/日本/", "メール.eml"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        const QString path = QString::fromUtf8(row.path);
        EXPECT_EQ(registry::FolderOf(path), QString::fromUtf8(row.folder));
        EXPECT_EQ(registry::FileNameOf(path), QString::fromUtf8(row.fileName));
        EXPECT_EQ(registry::FolderOf(path) + registry::FileNameOf(path), path);
    }
}

TEST(WithTrailingSlash, EndsAFolderPathWithOneSlash)
{
    const struct
    {
        const char *given;
        const char *folder;
    } cases[] = {
        {"/srv/out", "/srv/out/"},
        {"/srv/out/", "/srv/out/"},
        {"/", "/"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(registry::withTrailingSlash(QString::fromUtf8(c.given)),
                  QString::fromUtf8(c.folder))
            << c.given;
}
