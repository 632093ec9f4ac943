// SPDX-License-Identifier: MIT
#include "scanerror.h"

ScanError::ScanError(Kind kind, const QString &message, const QString &path, const QString &key)
    : std::runtime_error(message.toStdString()), m_kind(kind), m_message(message), m_path(path),
      m_key(key)
{}
