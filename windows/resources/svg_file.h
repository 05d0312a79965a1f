#pragma once

#include <QByteArray>

// The scalable desktop icon: the keypad motif written out as plain SVG shapes, one element per
// shape, so that it stays readable and matches the drawn sizes exactly.
QByteArray motifSvg();
