// The Timeline widget and the document's Timeline.
#include "Timeline.h"

#include "EditorWindows.h"

bool TimelineBegin(const char*, float, int, int) { return false; }
bool TimelineRange(const char*, float[2]) { return false; }
void TimelineEnd(int, float, ImU32) {}
void ShowTimeline() {}
