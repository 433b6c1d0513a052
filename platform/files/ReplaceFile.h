#pragma once

#include <QByteArray>

#include <functional>
#include <sys/stat.h>

namespace platform {

// 0 when every byte went out, else the error number. A write that takes
// nothing counts as a full disk.
int writeAll(int fd, const char* data, qsizetype size);

// The name of a new file that replaces `name` while it is written, with the
// six X's that mkstemp fills in. The mark in it is the program's own, so that
// a clean-up never takes a user's ".NAME.backup" for one of its leftovers.
QByteArray temporaryTemplate(const QByteArray& name);

// True when the folder entry `entry` is a new file of a write to `name`.
bool isTemporaryOf(const char* entry, const QByteArray& name);

// Replaces the file at `path` (its links already followed) whole: a new file
// beside it, named by temporaryTemplate, is filled by `fill` (0 or an error number), given
// `mode` where the file system can hold one, flushed to the disk, closed and renamed
// over the file. A file system that refuses the mode (FAT, exFAT) still gets
// the file. While it is filled the new file is locked, so that no clean-up
// takes it for a leftover. 0, or the error number of the step that failed:
// the new file is then gone and the old one is as it was. `written` receives
// the status of the new file.
int replaceWholeFile(const QByteArray& path, mode_t mode, const std::function<int(int fd)>& fill,
                     struct stat* written = nullptr);

// Removes the new files of writers of `name` in the folder that were killed
// mid-write: those no live writer holds and nobody touched for a minute. A
// leftover that is a link goes as a name; what it points at stays.
void removeStaleTemporaries(int folderFd, const QByteArray& name);
void removeStaleTemporaries(const QByteArray& path);

} // namespace platform
