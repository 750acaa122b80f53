// The program's icon: a flat-panel detector with its line plug, drawn here
// so that the picture is a source of our own.
#pragma once

#include <QImage>

namespace kelm9d {

// 128 x 128 pixels, 32 bits a pixel with alpha.
QImage WindowIconImage();

}  // namespace kelm9d
