// SPDX-License-Identifier: MIT
#include "keyedlist.h"

#include "counter.h"

#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

TextList listOf(std::initializer_list<std::pair<const char *, const char *>> entries)
{
    TextList list;
    for (const auto &[key, value] : entries)
        list.add(QString::fromUtf8(key), QString::fromUtf8(value));
    return list;
}

} // namespace

TEST(KeyedList, KeepsEntriesInTheOrderTheyWereAddedNumberedFromOne)
{
    const TextList list = listOf({{"K0", "/root/"}, {"K2", "/root/b/"}, {"K3", "/root/a/"}});

    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.at(1), "/root/");
    EXPECT_EQ(list.at(2), "/root/b/");
    EXPECT_EQ(list.at(3), "/root/a/");
    EXPECT_EQ(list.keyAt(1), "K0");
    EXPECT_EQ(list.keyAt(3), "K3");
    EXPECT_EQ(list.values(), QStringList({"/root/", "/root/b/", "/root/a/"}));

    QStringList keys;
    for (const auto &entry : list)
        keys.append(entry.key);
    EXPECT_EQ(keys, QStringList({"K0", "K2", "K3"}));
}

TEST(KeyedList, FindsEntriesByKey)
{
    const TextList list = listOf({{"K0", "zero"}, {"K2", "two"}});

    EXPECT_EQ(list.positionOf("K2"), 2);
    EXPECT_EQ(list.positionOf("K1"), 0);
    EXPECT_TRUE(list.contains("K0"));
    EXPECT_FALSE(list.contains("k0")) << "keys are compared exactly";
    ASSERT_NE(list.find("K2"), nullptr);
    EXPECT_EQ(*list.find("K2"), "two");
    EXPECT_EQ(list.find("K3"), nullptr);
}

TEST(KeyedList, RefusesATakenKeyAndAddsNothing)
{
    TextList list = listOf({{"K0", "first"}, {"K2", "second"}});

    try {
        list.add("K0", "again");
        FAIL() << "a taken key was accepted";
    } catch (const ScanError &error) {
        EXPECT_EQ(error.kind(), ScanError::Kind::DuplicateKey);
        EXPECT_EQ(error.key(), "K0");
        EXPECT_TRUE(error.message().contains("K0")) << error.what();
    }
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.values(), QStringList({"first", "second"}));
    EXPECT_EQ(*list.find("K0"), "first");

    list.add("K3", "third");
    EXPECT_EQ(list.positionOf("K3"), 3) << "a refused key leaves no gap in the numbering";
}

TEST(KeyedList, RefusesPositionsOutsideTheList)
{
    const NumberList list = [] {
        NumberList filled;
        filled.add("K1", 7);
        return filled;
    }();
    EXPECT_EQ(list.at(1), 7);
    for (const qint32 position : {0, -1, 2, std::numeric_limits<qint32>::max()}) {
        SCOPED_TRACE(position);
        try {
            (void)list.at(position);
            FAIL() << "no error";
        } catch (const ScanError &error) {
            EXPECT_EQ(error.kind(), ScanError::Kind::NoSuchEntry);
        }
        EXPECT_THROW((void)list.keyAt(position), ScanError);
    }
    EXPECT_THROW((void)TextList().at(1), ScanError);
}

TEST(KeyedList, StaysWithItsHoldersAfterTheFillerLetsGo)
{
    auto filler = std::make_shared<TextList>();
    filler->add("K1", "a");
    std::shared_ptr<const TextList> holder = filler;
    filler.reset();

    ASSERT_EQ(holder->count(), 1);
    EXPECT_EQ(holder->at(1), "a");
}

TEST(KeyedList, FillsALargeListWithEveryKeyFindable)
{
    // A list of this size would take hours if a key check walked the list.
    constexpr qint32 size = 300000;
    NumberList list;
    for (qint32 number = 1; number <= size; ++number)
        list.add(QStringLiteral("K%1").arg(number), number);
    ASSERT_EQ(list.count(), size);
    for (const qint32 number : {1, 2, size / 2, size})
        EXPECT_EQ(list.positionOf(QStringLiteral("K%1").arg(number)), number);
    EXPECT_THROW(list.add(QStringLiteral("K%1").arg(size), 0), ScanError);
}

TEST(Counter, CountsUpToTheLargest32BitNumberAndRefusesToWrap)
{
    constexpr qint32 largest = std::numeric_limits<qint32>::max();
    EXPECT_EQ(counter::next(0, "file number"), 1);
    EXPECT_EQ(counter::next(largest - 1, "file number"), largest);
    try {
        (void)counter::next(largest, "file number", "/mail/");
        FAIL() << "the counter wrapped";
    } catch (const ScanError &error) {
        EXPECT_EQ(error.kind(), ScanError::Kind::Overflow);
        EXPECT_EQ(error.path(), "/mail/");
        EXPECT_TRUE(error.message().contains("file number")) << error.what();
    }
}
