// SPDX-License-Identifier: MIT
#include "filelist.h"
