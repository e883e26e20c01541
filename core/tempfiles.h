// Temporary files of the replacing writes. A file that replaces another is
// first written as ".tavrik-PID-N.tmp" in the same folder and then renamed over
// its target; a process killed in between leaves such a file behind, so the
// first write into a folder removes the ones whose process is gone.
#pragma once

#include <string>

// Creates a new temporary file in the folder of target, opened for writing
// (mode 0666 before the umask). Returns the descriptor and its name, or -1
// with errno set. Stale temporaries of the folder are removed first, once per
// folder and process.
int CreateTemporaryBeside(const std::string& target, std::string& temp);

// Removes from folder the temporaries of this program whose process no longer
// exists. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& folder);

// Writes bytes to path through a temporary file in the same folder and a
// rename. Returns false on failure; the temporary file is removed then. A
// durable save also flushes the data to the disk before the rename. A link is
// followed, so that its target is replaced and the link stays; a replaced
// file keeps its permissions.
bool SaveFileReplacing(const std::string& path, const std::string& bytes, bool durable = true);
