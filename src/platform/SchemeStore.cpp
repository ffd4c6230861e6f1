#include "SchemeStore.h"

SchemeStore::SchemeStore(const QString &path, QObject *parent)
    : PowerPlatform(parent)
    , m_path(path)
{
}
