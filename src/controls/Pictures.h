#pragma once

#include "PictureId.h"

#include <QIcon>
#include <QImage>

// Picture `id` decoded from the resources (":/png/<id>.png"); a null image when the program has no
// such picture or it cannot be decoded.
QImage loadPicture(PictureId id);

// The PNG file at path (a file or a resource), read as PNG only: asking Qt to find out the format
// would load every image format plugin it has, which an opening window must not wait for.
QImage loadPng(const QString &path);
// The program's icon (":/icons/ampora.png").
QIcon programIcon();
