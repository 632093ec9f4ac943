// SPDX-License-Identifier: MIT
#include "mailmessage.h"
