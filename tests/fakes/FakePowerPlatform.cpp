#include "FakePowerPlatform.h"

#include "Guid.h"

namespace {

QString valueKey(PowerSource source, const QUuid &subgroup, const QUuid &setting)
{
    return (source == PowerSource::Ac ? QStringLiteral("AC/") : QStringLiteral("DC/")) + guidToText(subgroup)
           + u'/' + guidToText(setting);
}

} // namespace

FakePowerPlatform::FakePowerPlatform(QObject *parent)
    : PowerPlatform(parent)
{
}

QUuid FakePowerPlatform::addScheme(const QString &name, const QString &description, QUuid guid)
{
    if (guid.isNull())
        guid = QUuid::createUuid();
    m_schemes.append(Scheme{guid, name, description, {}});
    if (m_active.isNull())
        m_active = guid;
    return guid;
}

const FakePowerPlatform::Scheme *FakePowerPlatform::find(const QUuid &guid) const
{
    for (const Scheme &s : m_schemes) {
        if (s.guid == guid)
            return &s;
    }
    return nullptr;
}

FakePowerPlatform::Scheme *FakePowerPlatform::find(const QUuid &guid)
{
    return const_cast<Scheme *>(std::as_const(*this).find(guid));
}

PowerStatus FakePowerPlatform::enumerateScheme(int index, QUuid *scheme) const
{
    if (index < 0 || index >= m_schemes.size())
        return PowerStatus::NoMoreItems;
    if (m_skippedIndexes.contains(index))
        return PowerStatus::Skip;
    *scheme = m_schemes.at(index).guid;
    return PowerStatus::Ok;
}

PowerStatus FakePowerPlatform::readFriendlyName(const QUuid &scheme, QString *name) const
{
    const Scheme *s = find(scheme);
    if (!s || m_unreadableNames.contains(scheme))
        return PowerStatus::NotFound;
    *name = s->name;
    return PowerStatus::Ok;
}

PowerStatus FakePowerPlatform::readDescription(const QUuid &scheme, QString *description) const
{
    const Scheme *s = find(scheme);
    if (!s || m_unreadableDescriptions.contains(scheme))
        return PowerStatus::NotFound;
    *description = s->description;
    return PowerStatus::Ok;
}

PowerStatus FakePowerPlatform::activeScheme(QUuid *scheme) const
{
    if (!find(m_active))
        return PowerStatus::Failed;
    *scheme = m_active;
    return PowerStatus::Ok;
}

PowerStatus FakePowerPlatform::setActiveScheme(const QUuid &scheme)
{
    ++m_setActiveCalls;
    if (m_refuseActivation)
        return PowerStatus::Failed;
    if (!find(scheme))
        return PowerStatus::NotFound;
    m_active = scheme;
    Q_EMIT schemesChanged();
    return PowerStatus::Ok;
}

PowerStatus FakePowerPlatform::duplicateScheme(const QUuid &source, QUuid *created)
{
    const Scheme *s = find(source);
    if (!s)
        return PowerStatus::NotFound;
    Scheme copy = *s;
    copy.guid = QUuid::createUuid();
    m_schemes.append(copy);
    *created = copy.guid;
    return PowerStatus::Ok;
}

PowerStatus FakePowerPlatform::deleteScheme(const QUuid &scheme)
{
    if (scheme == m_active)
        return PowerStatus::Failed;
    for (qsizetype i = 0; i < m_schemes.size(); ++i) {
        if (m_schemes.at(i).guid == scheme) {
            m_schemes.removeAt(i);
            return PowerStatus::Ok;
        }
    }
    return PowerStatus::NotFound;
}

PowerStatus FakePowerPlatform::writeFriendlyName(const QUuid &scheme, const QString &name)
{
    Scheme *s = find(scheme);
    if (!s)
        return PowerStatus::NotFound;
    s->name = name;
    return PowerStatus::Ok;
}

PowerStatus FakePowerPlatform::writeDescription(const QUuid &scheme, const QString &description)
{
    Scheme *s = find(scheme);
    if (!s)
        return PowerStatus::NotFound;
    s->description = description;
    return PowerStatus::Ok;
}

PowerStatus FakePowerPlatform::readValueIndex(PowerSource source, const QUuid &scheme, const QUuid &subgroup,
                                              const QUuid &setting, quint32 *value) const
{
    const Scheme *s = find(scheme);
    if (!s)
        return PowerStatus::NotFound;
    const auto it = s->values.constFind(valueKey(source, subgroup, setting));
    if (it == s->values.cend())
        return PowerStatus::NotFound;
    *value = *it;
    return PowerStatus::Ok;
}

PowerStatus FakePowerPlatform::writeValueIndex(PowerSource source, const QUuid &scheme, const QUuid &subgroup,
                                               const QUuid &setting, quint32 value)
{
    Scheme *s = find(scheme);
    if (!s)
        return PowerStatus::NotFound;
    s->values.insert(valueKey(source, subgroup, setting), value);
    return PowerStatus::Ok;
}
