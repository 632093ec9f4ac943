// SPDX-License-Identifier: MIT
#include "messagereport.h"

namespace conversion {

QString statusName(MessageStatus status)
{
    switch (status) {
    case MessageStatus::Copied:
        return QStringLiteral("copied");
    case MessageStatus::Planned:
        return QStringLiteral("planned");
    case MessageStatus::Unchanged:
        return QStringLiteral("unchanged");
    case MessageStatus::Skipped:
        return QStringLiteral("skipped");
    case MessageStatus::Failed:
        break;
    }
    return QStringLiteral("failed");
}

} // namespace conversion
