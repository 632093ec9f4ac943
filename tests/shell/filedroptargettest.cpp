// SPDX-License-Identifier: MIT
#include "filedroptarget.h"

#include "temptree.h"

#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace {

// A widget with a drop target whose handler records what it is handed.
struct Target
{
    QWidget widget;
    std::vector<QList<QUrl>> handed;
    FileDropTarget *filter =
        new FileDropTarget(&widget, [this](const QList<QUrl> &urls) { handed.push_back(urls); });
};

QMimeData *urlData(const QList<QUrl> &urls)
{
    auto *data = new QMimeData;
    data->setUrls(urls);
    return data;
}

// Qt delivers a drop only to the widget that took the drag's entry, so a drop
// comes after an entry offering copy or move.
bool enter(QWidget &widget, const QMimeData &data)
{
    QDragEnterEvent entry(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&widget, &entry);
    return entry.isAccepted();
}

} // namespace

struct DragCase
{
    const char *name;
    QStringList local;  // relative to the tree
    QStringList others; // whole URLs
    Qt::DropActions offered;
    std::optional<Qt::DropAction> taken; // nullopt: the drag is refused
};

void PrintTo(const DragCase &c, std::ostream *out)
{
    *out << c.name;
}

class DragTable : public ::testing::TestWithParam<DragCase>
{
};

TEST_P(DragTable, TakesDragsOfMessagesAndFoldersByCopyOrLinkNeverByMove)
{
    const DragCase &c = GetParam();
    TempTree tree;
    tree.files({"a.eml", "b.txt", "F/c.eml"});
    QList<QUrl> urls;
    for (const QString &relative : c.local)
        urls.append(QUrl::fromLocalFile(tree.path(relative)));
    for (const QString &other : c.others)
        urls.append(QUrl(other));
    const std::unique_ptr<QMimeData> data(urlData(urls));
    Target target;

    QDragEnterEvent enter(QPoint(5, 5), c.offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target.widget, &enter);
    QDragMoveEvent move(QPoint(6, 6), c.offered, data.get(), Qt::LeftButton, Qt::NoModifier);
    if (enter.isAccepted())
        QApplication::sendEvent(&target.widget, &move);

    EXPECT_EQ(enter.isAccepted(), c.taken.has_value());
    if (c.taken) {
        EXPECT_EQ(enter.dropAction(), *c.taken);
        EXPECT_TRUE(move.isAccepted());
        EXPECT_EQ(move.dropAction(), *c.taken);
    }
    QApplication::processEvents();
    EXPECT_TRUE(target.handed.empty()) << "a drag alone hands nothing over";
}

INSTANTIATE_TEST_SUITE_P(
    FileDropTarget, DragTable,
    ::testing::Values(
        DragCase{"AMessageOfferedForCopy", {"a.eml"}, {}, Qt::CopyAction, Qt::CopyAction},
        DragCase{"AFolderOfferedForCopyOrMove",
                 {"F"},
                 {},
                 Qt::CopyAction | Qt::MoveAction,
                 Qt::CopyAction},
        DragCase{"AMessageOfferedForLinkOrMove",
                 {"a.eml"},
                 {},
                 Qt::LinkAction | Qt::MoveAction,
                 Qt::LinkAction},
        DragCase{"AMessageOfferedForMoveOnly", {"a.eml"}, {}, Qt::MoveAction, std::nullopt},
        DragCase{"OtherFilesOnly", {"b.txt"}, {}, Qt::CopyAction, std::nullopt},
        DragCase{"AWebAddress", {}, {"https://example.org/a.eml"}, Qt::CopyAction, std::nullopt},
        DragCase{"OtherFilesAndAMessage", {"b.txt", "a.eml"}, {}, Qt::CopyAction, Qt::CopyAction}),
    [](const ::testing::TestParamInfo<DragCase> &info) { return std::string(info.param.name); });

TEST(FileDropTarget, RefusesADragThatCarriesNoUrls)
{
    Target target;
    QMimeData text;
    text.setText(QStringLiteral("/m/a.eml"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target.widget, &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST(FileDropTarget, HandsTheDroppedUrlsOverFromTheEventLoopAfterAnsweringTheDrop)
{
    TempTree tree;
    tree.files({"a.eml", "b.txt"});
    const QList<QUrl> urls{QUrl::fromLocalFile(tree.path("b.txt")),
                           QUrl::fromLocalFile(tree.path("a.eml"))};
    const std::unique_ptr<QMimeData> data(urlData(urls));
    Target target;
    ASSERT_TRUE(enter(target.widget, *data));
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                    Qt::NoModifier);

    QApplication::sendEvent(&target.widget, &drop);

    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_TRUE(target.handed.empty()) << "handed over inside the drop event";
    QApplication::processEvents();
    ASSERT_EQ(target.handed.size(), 1u);
    EXPECT_EQ(target.handed.front(), urls);
}

TEST(FileDropTarget, RefusesADropOfferedForMoveOnly)
{
    // Taking a move would let a file manager delete the user's messages.
    TempTree tree;
    tree.file("a.eml");
    const std::unique_ptr<QMimeData> data(urlData({QUrl::fromLocalFile(tree.path("a.eml"))}));
    Target target;
    ASSERT_TRUE(enter(target.widget, *data));
    QDropEvent drop(QPointF(5, 5), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);

    QApplication::sendEvent(&target.widget, &drop);
    QApplication::processEvents();

    EXPECT_FALSE(drop.isAccepted());
    EXPECT_TRUE(target.handed.empty());
}

TEST(FileDropTarget, MakesItsWidgetAcceptDrops)
{
    Target target;
    EXPECT_TRUE(target.widget.acceptDrops());
}
