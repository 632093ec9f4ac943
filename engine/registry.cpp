// SPDX-License-Identifier: MIT
#include "registry.h"
