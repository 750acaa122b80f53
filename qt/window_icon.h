// The program's icon as a Qt image, from the pixels our own code draws.
#pragma once

#include <QImage>

namespace kelm9d {

// 128 x 128 pixels, 32 bits a pixel with alpha.
QImage WindowIconImage();

}  // namespace kelm9d
