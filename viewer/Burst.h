#pragma once
// Stepping through a burst: the files of a folder in the chooser's order, and how a group
// moves among them.
#include <QString>
#include <QStringList>

class TBitmapMAGBase;

// The files of folder the window opens, as full paths in the chooser's name order: the
// built-in types always, other types only with an extension in pluginExtensions
// (upper-cased, dot included), the ones the plug-ins already opened in this group.
QStringList BurstFiles(const QString& folder, const QStringList& pluginExtensions);

// Where a group of size files that starts at start among count moves on a step of by files
// (a group forward or back, or one file). A step past either end stops at the last or first
// whole group; -1 when the group would not move at all.
int SteppedGroupStart(int count, int start, int size, int by);

// Quarter turns to the right, 0 to 3.
void TurnPicture(TBitmapMAGBase& picture, int quarters);
