// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's logo state: the BMP file loaded last and its headers.
#pragma once

#include "logos/bitmap.h"

class Form1;

/// The logo state of the window, created on first use and owned by the window.
Bitmap::LogoState &LogoStateOf(Form1 &form);
