// SPDX-License-Identifier: MIT
#include "oledate.h"
