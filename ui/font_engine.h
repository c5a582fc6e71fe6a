// SPDX-License-Identifier: GPL-3.0-or-later
// The window is laid out in dialog units of its Song face at 9 pt, so its size follows that face's
// metrics. Windows lays SimSun out as the original did. Where SimSun is missing (a Windows without
// the Chinese fonts, or Wine) the window falls back to the Song face Linux uses, AR PL UMing, whose
// line is a pixel taller under the Windows font engines than under FreeType; with FreeType the
// window is then the same as on Linux, at its original size.
#pragma once

// Before the application object: picks the font engine as above. A platform chosen by the user
// (QT_QPA_PLATFORM) is left as it is.
void ChooseFontEngine();
