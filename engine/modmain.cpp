// SPDX-License-Identifier: MIT
#include "modmain.h"
