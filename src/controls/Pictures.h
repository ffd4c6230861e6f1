// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PictureId.h"

#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

// The device pixel ratio pictures are made for: the highest of the screens (1 without a GUI).
qreal pictureRatio();

// Picture `id` decoded from the resources (":/png/<id>.png"); a null image when the program has no
// such picture or it cannot be decoded. On a screen scaled above 1 it is the picture drawn at twice
// its size (":/png/<id>@2x.png"), marked with a device pixel ratio of 2 so that painters draw it at
// its catalogue size with every device pixel its own.
QImage loadPicture(PictureId id, qreal devicePixelRatio = pictureRatio());

// A PNG picture file; above a ratio of 1 its "@2x" twin beside it when there is one.
QImage loadPictureFile(const QString &file, qreal devicePixelRatio = pictureRatio());

// The PNG file at path (a file or a resource), read as PNG only: asking Qt to find out the format
// would load every image format plugin it has, which an opening window must not wait for.
QImage loadPng(const QString &path);
// Its size, read from the header alone; invalid when there is no such picture.
QSize pngSize(const QString &path);
// The program's icon at the sizes of the icon theme up to 128 pixels, decoded once per application.
QIcon programIcon();
// The program's icon at a size for the tray (64 pixels), so that a copy that lives only in the
// tray never holds the full picture.
QIcon trayPicture();
