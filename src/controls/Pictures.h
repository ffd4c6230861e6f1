#pragma once

#include <QImage>

// One of the program's pictures, addressed by number and decoded from the resources
// (":/png/<id>.png").
class Pictures
{
public:
    // Releases any earlier picture, then decodes picture `id`. False (and no picture) when the
    // program has no such picture or it cannot be decoded.
    bool load(int id);

    bool isLoaded() const { return !m_bitmap.isNull(); }
    const QImage &bitmap() const { return m_bitmap; }
    void release() { m_bitmap = QImage(); }

private:
    QImage m_bitmap;
};
