#pragma once

#include "windows/resources/indexed_image.h"

#include <QByteArray>

#include <vector>

// The bytes of a Windows icon file holding the images in the given order, each stored the classic
// way: a bitmap header of doubled height, the palette, the colour bitmap and the one-bit mask.
QByteArray icoFile(const std::vector<IndexedImage>& images);
