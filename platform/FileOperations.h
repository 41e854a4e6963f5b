#pragma once
// File copy, move and delete that never lose a user's picture: a copy is written beside its
// target and renamed over it only when complete, a move never replaces a file it was not asked
// to replace, and nothing is ever copied or moved onto itself.
#include <QString>

namespace fileops {

// The file system reports attributes for the path: a file, a folder, or a link (even a dangling one).
bool Exists(const QString& path);

// Both paths name the same file (same device and inode, links followed). False when either is missing.
bool SameFile(const QString& a, const QString& b);

// Both paths name the same directory entry: the same name in the same folder, by whatever path
// that folder is reached (links, "..", bind mounts). A hard link under another name or in another
// folder is another entry. False when either is missing.
bool SameEntry(const QString& a, const QString& b);

// Copies a regular file to target, replacing target when it is a file or a link. The bytes go to a
// temporary file in the target's folder, which is flushed to disk and renamed over target only when
// complete; on any failure target is as it was and no temporary file is left. Refuses (false) when
// source and target are the same file, when the source is not a regular file, or when target is a folder.
bool CopyFileReplacing(const QString& source, const QString& target);

// Moves source to target and never replaces an existing target. Same file system: an atomic rename
// that fails when target exists. Across file systems: a safe copy linked into place (also refusing
// an existing target), then the source is removed; when the source cannot be removed the copy is
// taken back, so a failed move leaves the source in place and nothing new behind. A file system
// with neither a no-replace rename nor hard links gets a copy into a newly created target
// (never an existing one), flushed, then the source is removed.
bool MoveFileNoReplace(const QString& source, const QString& target);

// Moves source over an existing target file the user agreed to replace. The old target goes only in
// the same step that puts the source in its place (an atomic rename, or across file systems the safe
// copy renamed over it), so a failure leaves the old target; never both files lost. Refuses when
// they are the same file or target is a folder.
bool MoveFileReplacing(const QString& source, const QString& target);

// The two calls that give a file a second name without replacing one. Tests put in calls that fail
// as they do on file systems that have neither (some FUSE mounts); the previous ones are returned.
struct NoReplaceCalls {
    int (*RenameNoReplace)(const char* from, const char* to);
    int (*Link)(const char* from, const char* to);
};
NoReplaceCalls SetNoReplaceCalls(NoReplaceCalls calls);

// Removes one file or link; never a folder.
bool DeleteFile(const QString& path);

}  // namespace fileops
