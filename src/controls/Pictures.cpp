#include "Pictures.h"

#include <QImageReader>

bool Pictures::load(int id)
{
    release();
    // Only PNG pictures count, whatever else a resource of that name could hold.
    QImageReader reader(QStringLiteral(":/png/%1.png").arg(id), "png");
    reader.setAutoTransform(false);
    m_bitmap = reader.read();
    return isLoaded();
}
