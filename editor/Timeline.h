// The Timeline: a general widget of rows of [start, end] pairs against a
// maximum value, drawn between TimelineBegin and TimelineEnd, and ShowTimeline,
// which puts the document's events on it. The widget's state is
// g_timeline (EditorState.h).
//
// The widget edits the caller's pair in place by the mouse's movement of the
// frame and keeps no values of its own: a caller that stores rounded values
// keeps the unrounded ones between frames itself (ShowTimeline does, in
// g_timeline_drag). Without a usable axis (a maximum of 0 or below or not
// finite, or no width for the axis column) the rows show only their names.
#pragma once

#include <imgui.h>

// Opens the region: a borderless child the full width and visible_rows rows
// high (5 when below 1), names on the left, the axis on the right. max_value
// is the axis's right end (0.85 x the width when negative or not a number).
// With row_count above 0 only the rows in view are drawn. True when its rows
// are to be drawn.
bool TimelineBegin(const char* str_id, float max_value, int visible_rows, int row_count);
// One row: values[0] the start, values[1] the end, dragged by the handles or
// the bar; kept in order and inside [0, max] with its length. Each row has its
// own ID (its index), so rows of the same label drag apart. A span narrower
// than the two handles has no bar to grab; its handles still drag. True when
// the user dragged it this frame; false for a row out of view.
bool TimelineRange(const char* label, float values[2]);
// Closes the region (call it after every TimelineBegin) and draws line_count
// grid lines, the current value and the progress bar below the region.
void TimelineEnd(int line_count, float current, ImU32 progress_colour);
