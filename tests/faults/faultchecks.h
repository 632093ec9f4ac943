// SPDX-License-Identifier: MIT
#pragma once

#include "isolation.h"
#include "testsupport.h"

#include <ostream>
#include <QByteArray>
#include <QMap>
#include <QString>

// Messages to put in a test tree, and the checks every fault test makes.
namespace faultchecks {

// A message whose Subject is subject, padded with body lines to at least size bytes.
[[nodiscard]] QByteArray message(const QString &subject, qsizetype size = 0);

// Writes message(subject, size) to path, creating missing folders.
void writeMessage(const QString &path, const QString &subject, qsizetype size = 0);

// Fails the test unless the tree is what it was: same entries, same bytes.
void expectUnchanged(const QMap<QByteArray, QByteArray> &before,
                     const QMap<QByteArray, QByteArray> &after);

// Fails the test unless the child finished and its run told the truth:
// - every copied or unchanged message's target is in the destination,
//   byte-identical to its source, and no copy went to a name that was taken;
// - every message not converted, and every copy from an earlier run left
//   alone, has a reason; a failed message's target is absent;
// - the destination holds nothing but those copies and their folders (no
//   partial file, no temporary file);
// - the counts match the reports (copies from an earlier run are no
//   messages), and "Converted Successfully !" is shown exactly when every
//   message was converted.
// Entries in destinationBefore were there before the run; they are allowed to
// stay, and must stay unchanged.
void expectHonestRun(const isolation::Result &result,
                     const QMap<QByteArray, QByteArray> &destinationBefore = {});

// The reports of the run with a given status.
[[nodiscard]] int countWithStatus(const isolation::Result &result, MessageStatus status);

} // namespace faultchecks
