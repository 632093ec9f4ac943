// SPDX-License-Identifier: MIT
#include "pathlogger.h"
