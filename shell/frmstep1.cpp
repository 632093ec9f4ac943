// SPDX-License-Identifier: MIT
#include "frmstep1.h"
