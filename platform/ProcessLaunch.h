#pragma once
// Starts an outside program on a picture and lets it run on its own.
#include <QString>

namespace launch {

// The program path as it will be started: relative paths count from the current folder;
// the system's program search path is never consulted. Empty for an empty path.
QString ResolveProgramPath(const QString& program);

// Starts program detached with the picture as its one argument, so the program sees exactly
// (program path, picture path). False when the path is empty, missing, a folder, not
// executable, or the start fails.
bool StartDetachedProgram(const QString& program, const QString& picture);

}  // namespace launch
