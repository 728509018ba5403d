#pragma once

#include <cstdint>
#include <string>

namespace onarim {

// True when `path` names a regular file, following symbolic links. A directory, a dangling
// link, a device or nothing at all is not a file.
bool FileExists(const std::string& path);

// True when `path` names a regular file that this process may execute.
bool IsExecutableFile(const std::string& path);

// The program `name` installed in the folder of the running program; else `builtAt` (where the
// build puts it) when that is a file; else empty.
std::string ProgramBesideThisOne(const std::string& name, const std::string& builtAt);

// Removes the file `path`. Returns false when it cannot (missing, a directory, no permission),
// with the cause recorded as the last system error; never raises.
bool DeleteFile(const std::string& path);

// Copies the file `source` byte for byte to the new file `target`, durably and without ever
// replacing a file: the bytes go to a temporary file in the target's directory, which is
// flushed to the disk (fsync), then given the name `target` only if no file of that name
// exists by then (an atomic rename that refuses to replace, or a hard link), and then the
// directory is flushed too. When the call returns, the copy survives a crash; when it raises,
// `target` is as it was (absent, or the file someone else put there) and no temporary file
// is left. The copy gets the source's permission bits, and its owner and group as far as this
// process may give them (a process without the right to give files away keeps its own user
// and takes the source's group if it is one of its own). Copies in the kernel where the file
// systems allow (copy_file_range, then sendfile), so a large database copies about as fast as
// `cp` does.
// Raises EFileError naming the file concerned and the system's reason: a source that cannot
// be read or is not a regular file, an existing target (EEXIST), a directory that cannot take
// the copy (no permission, no space, a file size limit).
void CopyToNewFile(const std::string& source, const std::string& target);

// The bytes that this process may still write on the file system holding `directory` (space
// reserved for the superuser is not counted for others). Raises EFileError when the file
// system cannot be asked.
std::uint64_t FreeBytes(const std::string& directory);

// Checks for a repair's preparations. Each returns quietly or raises EFileError naming `path`
// with the system's reason (ENOENT, EACCES, EROFS and so on; ENOTDIR or EISDIR for the wrong
// kind of entry; EINVAL for a device, pipe or socket). Permission is checked for this
// process's effective user, the one that will open the file.
void RequireRegularFile(const std::string& path);       // a regular file (links followed)
void RequireReadWriteFile(const std::string& path);     // a regular file, readable and writable
void RequireWritableDirectory(const std::string& path); // a directory where files can be made

} // namespace onarim
