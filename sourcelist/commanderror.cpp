// SPDX-License-Identifier: MIT
#include "commanderror.h"

#include <new>

QString CommandError::textOf(const std::exception &error)
{
    if (const auto *raised = dynamic_cast<const CommandError *>(&error))
        return QString::number(raised->number()) + u':' + raised->description();
    if (dynamic_cast<const std::bad_alloc *>(&error))
        return QStringLiteral("7:Out of memory");
    return QStringLiteral("51:") + QString::fromLocal8Bit(error.what());
}
