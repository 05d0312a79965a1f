#pragma once

#include <QImage>

// The picture at the top right of the About window: the keypad motif beside the product name,
// with the waveform of a key's tone underneath. 176 by 71 pixels, opaque.
QImage aboutPicture();
