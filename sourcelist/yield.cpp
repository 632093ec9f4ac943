// SPDX-License-Identifier: MIT
#include "yield.h"

#include <QCoreApplication>

namespace sourcelist {

void processPendingEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace sourcelist
