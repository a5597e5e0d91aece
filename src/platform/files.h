#pragma once

#include <string>
#include <sys/types.h>

namespace dialtally {

// File operations of the system beyond the portable ones, behind one header.

// Renames from to to unless to exists; 0 or the error number. A file system without the flag
// falls back to a hard link and a deletion, which refuses an existing target as well.
int RenameNoReplace(const char* from, const char* to);

// Forces a file's data to disk; a file that cannot be forced (a pipe, a device) counts as done.
// False with errno set.
bool SyncFileData(int fd);

// Forces a folder's entries (a rename, a deletion) to disk; false with errno set.
bool SyncFolder(const std::string& folder);

// Gives the owner write permission back; false with errno set.
bool MakeWritableForOwner(const char* path);

// (device, inode) and the size of an open file or of a path; false when it cannot be asked.
bool FileIdentity(int fd, dev_t& device, ino_t& inode, off_t* size = nullptr);
bool FileIdentity(const std::string& path, dev_t& device, ino_t& inode, off_t* size = nullptr);

// A write lock on one byte of an open file that belongs to that open (not to the process), so
// that two opens in one process exclude each other; the system drops it when the holder dies.
// One try: false with errno EWOULDBLOCK while someone else holds it.
bool TryLockByte(int fd, off_t byte);

} // namespace dialtally
