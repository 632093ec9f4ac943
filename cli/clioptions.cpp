// SPDX-License-Identifier: MIT
#include "clioptions.h"
