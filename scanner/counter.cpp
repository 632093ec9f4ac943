// SPDX-License-Identifier: MIT
#include "counter.h"

#include "scanerror.h"

#include <limits>

namespace counter {

qint32 next(qint32 value, const QString &what, const QString &path)
{
    if (value == std::numeric_limits<qint32>::max()) {
        QString message = QStringLiteral("The %1 would pass %2").arg(what).arg(value);
        if (!path.isEmpty())
            message += QStringLiteral(" in \"%1\"").arg(path);
        throw ScanError(ScanError::Kind::Overflow, message + QLatin1Char('.'), path);
    }
    return value + 1;
}

} // namespace counter
