// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AmporaBaseExport.h"
#include "Result.h"

#include <QByteArray>
#include <QString>

namespace AtomicFile {

// How much a write must survive of a crash of the whole machine soon after it.
enum class Durability {
    // Every byte is checked to reach the disk before the rename (one data sync), and a file that
    // is new is synced into its folder: after a crash the file holds the old content or the new.
    Durable,
    // No sync: for what the program writes again by itself and can do without (a report of the
    // last apply). Other processes still see the old file or the new one, never half of one; after
    // a crash the old content may be back, or on some file systems an empty file.
    ReplacedOnly,
};

// Replaces path with bytes through a temporary file in the same folder and a rename, so a reader
// never sees half a file. The file is the user's alone (0600), a symbolic link is written through
// (the link stays), and a missing folder is made as makePrivateFolder does. On any failure (a
// full disk, a file size limit) the old file stays exactly as it was, no temporary file is left,
// and the failure names the file and the reason.
AMPORA_BASE_EXPORT Result<> write(
    const QString &path, const QByteArray &bytes, Durability durability = Durability::Durable);

// Makes folder and any missing folder above it readable by the user alone (0700); a folder that
// exists keeps its mode. The failure names the folder and the system's reason.
AMPORA_BASE_EXPORT Result<> makePrivateFolder(const QString &folder);

// Moves an unreadable file out of the way (path + ".corrupt-<UTC time>", made unique) so that a
// fresh file can be written without losing the old content. Returns the new name, or an empty
// string when the rename failed.
AMPORA_BASE_EXPORT QString setAside(const QString &path);

// Larger files are not copied: nothing this program keeps comes near it.
inline constexpr qint64 kCopyAsideLimit = 64 * 1024 * 1024;

// Copies a damaged file, byte for byte, to a new name as setAside() would choose it, and leaves
// the file itself where it is. The copy is on disk (written as write() does) before this returns,
// so the damaged file can then be replaced without a moment in which its content exists nowhere
// under its own name or a kept one. Returns the copy's name, or why it could not be made.
AMPORA_BASE_EXPORT Result<QString> copyAside(const QString &path);

} // namespace AtomicFile
