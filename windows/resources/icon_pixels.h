#pragma once

#include "windows/resources/indexed_image.h"

// The program icon at 16 or 32 pixels, drawn pixel by pixel so that it stays crisp at the sizes
// where a drawn outline would blur. At 4 bits per pixel it keeps to sixteen flat colours; at 8
// bits the body and keys get gentle shading.
IndexedImage iconPixels(int size, int bitsPerPixel);
