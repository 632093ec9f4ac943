// SPDX-License-Identifier: MIT
#include "naming.h"
