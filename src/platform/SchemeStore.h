#pragma once

#include "IniFile.h"
#include "PowerPlatform.h"

#include <QList>
#include <QMutex>
#include <functional>

class QFileSystemWatcher;
class QLockFile;
class QTimer;

// The program's own power schemes: one INI file shared by every process of the user.
//
//   [Store]
//   Active={381B4222-F694-41F0-9685-FF5BB260DF2E}
//   [{381B4222-F694-41F0-9685-FF5BB260DF2E}]
//   Name=Balanced
//   Description=...
//   AC/{subgroup}/{setting}=600
//   DC/{subgroup}/{setting}=300
//
// Schemes enumerate in section order, which is creation order. A missing file is created with
// the default plans. A file that cannot be used (not UTF-8, a line that is no entry, no valid
// Active) is renamed aside, replaced by a fresh store and reported with one line on stderr.
//
// Reads are served from a parsed copy that is re-read only when the file changed on disk, so a
// full enumeration stays cheap. Every change is a read-modify-write under a lock file shared by
// all processes of the user, replacing the file atomically. Any change of the file, by this or
// another process, emits schemesChanged() once it settles. The read operations may be called
// from any thread.
class SchemeStore : public PowerPlatform
{
    Q_OBJECT
public:
    explicit SchemeStore(const QString &path, QObject *parent = nullptr);

    PowerStatus enumerateScheme(int index, QUuid *scheme) const override;
    PowerStatus readFriendlyName(const QUuid &scheme, QString *name) const override;
    // A scheme without a Description key has an empty description.
    PowerStatus readDescription(const QUuid &scheme, QString *description) const override;
    PowerStatus activeScheme(QUuid *scheme) const override;
    PowerStatus setActiveScheme(const QUuid &scheme) override;
    PowerStatus duplicateScheme(const QUuid &source, QUuid *created) override;
    PowerStatus deleteScheme(const QUuid &scheme) override;
    // Texts with line breaks or NUL are refused with Failed; blanks around them are not kept.
    PowerStatus writeFriendlyName(const QUuid &scheme, const QString &name) override;
    PowerStatus writeDescription(const QUuid &scheme, const QString &description) override;
    // A missing or non-numeric value is NotFound.
    PowerStatus readValueIndex(PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting,
        quint32 *value) const override;
    PowerStatus writeValueIndex(
        PowerSource source, const QUuid &scheme, const QUuid &subgroup, const QUuid &setting, quint32 value) override;

private:
    // Identifies one version of the file; an atomic replace always changes the inode.
    struct FileStamp
    {
        bool exists = false;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;

        static FileStamp of(const QString &path);
        friend bool operator==(const FileStamp &, const FileStamp &) = default;
    };

    struct Snapshot
    {
        IniFile ini;
        QList<QUuid> schemes;
        QUuid active;

        static Snapshot from(IniFile ini);
        // Why the store cannot be used, or an empty text.
        QString problem() const;
    };

    enum class Lock { NotHeld, Held };
    // Changes the document; a status other than Ok leaves the file alone.
    using Change = std::function<PowerStatus(IniFile &ini, const Snapshot &current)>;

    // These expect m_mutex to be held.
    bool refresh(Lock lock) const;
    bool replaceUnusable(const QString &problem) const;
    bool writeSeed() const;
    void adopt(Snapshot snapshot, const FileStamp &stamp) const;
    void adoptWritten(Snapshot snapshot) const;
    void markUnusable() const;

    // Runs reader on the current document; Failed when the store cannot be used.
    template <typename Read> PowerStatus read(Read reader) const;
    PowerStatus modify(const Change &change);
    bool acquire(QLockFile &lockFile) const;

    void connectNotify(const QMetaMethod &signal) override;
    void startWatching();
    void watchFile();
    void noteFileEvent();
    void reportChange();

    const QString m_path;
    mutable QMutex m_mutex;
    mutable Snapshot m_snapshot;
    mutable FileStamp m_stamp; // the file version m_snapshot was read from
    mutable bool m_loaded = false;
    mutable bool m_usable = false;

    QFileSystemWatcher *m_watcher = nullptr; // made when someone listens for schemesChanged()
    QTimer *m_debounce = nullptr;
    FileStamp m_reportedStamp; // the file version the last schemesChanged() was about
};
