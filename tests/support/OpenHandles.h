// How many of this process's open files are a given file, so that tests can
// check that no handle outlives the command that opened it.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>

namespace testsupport {

// 0 also for a file that does not exist: no handle is taken for it then.
inline int OpenHandlesTo(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty()) {
        return 0;
    }
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        count += QFileInfo(fds.filePath(fd)).symLinkTarget() == target ? 1 : 0;
    }
    return count;
}

} // namespace testsupport
