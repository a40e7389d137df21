// A disk that is nearly full, for as long as it lives. When the tests run as
// root on Linux it is a small file system of its own, a tmpfs mounted on a
// new folder and unmounted at the end, which fill() leaves with only so many
// bytes free. Otherwise the size of every file this process writes is capped
// at that many bytes instead (FileSizeCap.h), which fails a write the same
// way; on Windows there is neither (ok() is false).
#pragma once

#include "support/FileSizeCap.h"
#include "support/Unprivileged.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

#ifndef _WIN32
#include <sys/mount.h>
#include <sys/statvfs.h>
#endif

namespace testsupport {

class FullDisk {
public:
    // A file system of this many bytes when it can be mounted.
    explicit FullDisk(qint64 size)
    {
#ifndef _WIN32
        if (RunningAsRoot()) {
            const QByteArray options = "size=" + QByteArray::number(size);
            m_mounted = ::mount("tmpfs", QFile::encodeName(m_folder.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                                options.constData())
                        == 0;
        }
#else
        (void)size;
#endif
    }
    ~FullDisk()
    {
        m_cap.reset();
#ifndef _WIN32
        if (m_mounted) {
            ::umount2(QFile::encodeName(m_folder.path()).constData(), MNT_DETACH);
        }
#endif
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    // Whether a full disk can be made here.
    bool ok() const
    {
        return m_mounted || kFileSizeCapExists;
    }
    // Whether it is a file system of its own rather than a cap on file sizes.
    bool mounted() const
    {
        return m_mounted;
    }
    QString path() const
    {
        return m_folder.path();
    }

    // Leaves only `room` bytes to write: the mounted file system is filled
    // up to that (in whole pages), or each file is capped at that size.
    bool fill(qint64 room)
    {
#ifndef _WIN32
        if (m_mounted) {
            struct statvfs info {};
            if (::statvfs(QFile::encodeName(m_folder.path()).constData(), &info) != 0) {
                return false;
            }
            const qint64 free = static_cast<qint64>(info.f_bavail) * static_cast<qint64>(info.f_frsize);
            QFile filler(m_folder.filePath(QStringLiteral("filler")));
            return free >= room && filler.open(QIODevice::WriteOnly)
                   && filler.write(QByteArray(free - room, 'x')) == free - room && filler.flush();
        }
#endif
        m_cap = std::make_unique<FileSizeCap>(room);
        return m_cap->ok();
    }

private:
    QTemporaryDir m_folder;
    bool m_mounted = false;
    std::unique_ptr<FileSizeCap> m_cap;
};

} // namespace testsupport
