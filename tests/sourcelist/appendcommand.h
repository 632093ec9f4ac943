// SPDX-License-Identifier: MIT
#pragma once

#include "addfolder.h"
#include "calltrace.h"
#include "fakebutton.h"
#include "fakedialogs.h"
#include "fakegrid.h"
#include "fakelabel.h"
#include "filelist.h"
#include "temptree.h"

#include <functional>
#include <QString>
#include <QStringList>

// The Add folder command over fakes, with every step of the grid, the button,
// the dialogs and the yields in one trace. onYield runs at each yield with its
// number (from 1), so a test can change the tree between two steps.
struct Command
{
    CallTrace trace;
    FakeGrid grid{&trace};
    FakeLabel label{QStringLiteral("0 files"), &trace};
    FakeButton process{false, &trace};
    FakeDialogs dialogs{&trace};
    int yields = 0;
    std::function<void(int)> onYield;
    FileList list;

    // The list works on otherGrid when one is given (its steps are then not traced).
    explicit Command(GridControl *otherGrid = nullptr)
        : list(otherGrid ? *otherGrid : grid, label, [this] {
              trace.add(QStringLiteral("yield"));
              ++yields;
              if (onYield)
                  onYield(yields);
          })
    {}

    void addFolder(const QString &answer)
    {
        dialogs.folders.push_back(answer);
        sourcelist::addFolder(list, dialogs, process);
    }

    [[nodiscard]] QStringList texts() const
    {
        QStringList result;
        for (const MessageBoxCall &box : dialogs.messageBoxes)
            result.append(box.text);
        return result;
    }
    [[nodiscard]] QString lastText() const
    {
        return dialogs.messageBoxes.empty() ? QString() : dialogs.messageBoxes.back().text;
    }
};

// The paths of relatives below the tree's root.
inline QStringList under(const TempTree &tree, const QStringList &relatives)
{
    QStringList paths;
    for (const QString &relative : relatives)
        paths.append(tree.path(relative));
    return paths;
}
