#pragma once

#include "PictureId.h"

#include <QImage>

// Picture `id` decoded from the resources (":/png/<id>.png"); a null image when the program has no
// such picture or it cannot be decoded.
QImage loadPicture(PictureId id);
