#pragma once

#include <QString>

namespace ostrel {

class FileSystem;

// A file that is written whole under a temporary name in its own folder and only then renamed
// over its real name is never seen half-written. The temporary name is the target's name,
// ".tmp-" and a new identifier.
QString temporaryPathFor(const QString &target);

// Removes what interrupted earlier writes of the target left behind: every entry of its folder
// whose name begins with the target's name and ".tmp-". Failures are ignored.
void removeStaleTemporaries(FileSystem &files, const QString &target);

} // namespace ostrel
