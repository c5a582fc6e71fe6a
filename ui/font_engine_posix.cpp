// SPDX-License-Identifier: GPL-3.0-or-later
// Linux draws every font with FreeType already.
#include "font_engine.h"

void ChooseFontEngine() {}
