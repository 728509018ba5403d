#pragma once

#include <optional>
#include <string>
#include <vector>

// Replacing files so that a crash or a killed process leaves either the old file or the new
// one at a name, never a part of one.
namespace onarim {

// Writes `text` as the whole content of `path`: into a temporary file beside it, flushed, then
// renamed over `path` in one step, then the directory flushed. Raises EFileError with the
// system's reason (a full disk above all); `path` is as it was then and no temporary file is
// left.
void WriteFileDurably(const std::string& path, const std::string& text);

// The whole content of the file at `path`; nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Gives `path` the owner, group and permission bits of `model` (as far as this process may
// give them away: without the right, the owner stays and the group is taken if it is ours).
// Raises EFileError.
void MatchOwnerAndMode(const std::string& path, const std::string& model);

// Puts the file `replacement` in the place of `target`: flushes it, renames it over `target`
// in one step, flushes the directory. Both must be in one directory. Raises EFileError;
// `target` is as it was then.
void ReplaceDurably(const std::string& replacement, const std::string& target);

// Starts writing the file's pages that are only in memory to the disk and waits until they
// are handed to it, not until it confirms them: a later flush then has little left to do.
// Nothing when the file cannot be opened.
void StartWritingOut(const std::string& path);

// `path` with every symbolic link resolved (the file a server really opens); `path` itself
// when it cannot be resolved.
std::string ResolvedPath(const std::string& path);

// The names (without the directory) of the entries of `directory` that begin with `prefix`
// and end with `suffix`, sorted. Empty when the directory cannot be read.
std::vector<std::string> FilesNamedLike(const std::string& directory, const std::string& prefix,
                                        const std::string& suffix);

} // namespace onarim
