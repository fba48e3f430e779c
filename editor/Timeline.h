// The Timeline: a general widget of rows of [start, end] pairs against a
// maximum value, drawn between TimelineBegin and TimelineEnd, and ShowTimeline,
// which puts the document's events on it. The widget's state is
// g_timeline, and its drag g_timeline_drag (EditorState.h).
//
// A drag starts with a press on a row's bar or handle and places the pair in
// every frame from the pair as it stood at the press and the mouse's whole
// movement since, in whole values (truncated toward zero): nothing of the
// movement is lost to Dear ImGui's drag threshold or to an end the pair was
// held against. Without a usable axis (a maximum of 0 or below or not
// finite, or no width for the axis column) the rows show only their names.
#pragma once

#include <imgui.h>

// Opens the region: a borderless child the full width and visible_rows rows
// high (5 when below 1), names on the left, the axis on the right. max_value
// is the axis's right end (0.85 x the width when negative or not a number).
// With row_count above 0 only the rows in view are drawn. True when its rows
// are to be drawn.
bool TimelineBegin(const char* str_id, float max_value, int visible_rows, int row_count);
// One row: values[0] the start, values[1] the end. A bar drag moves both
// and stops at 0 and the maximum with the length kept; a handle drag moves
// its own end, stopping there, and leaves the other where it was, the two
// taken in order (crossed handles swap). Each row has its own ID (its
// index), so rows of the same label drag apart. A span narrower than the two
// handles has no bar to grab; its handles still drag. True when a drag
// changed the pair this frame; false for a row out of view.
bool TimelineRange(const char* label, float values[2]);
// Closes the region (call it after every TimelineBegin) and draws line_count
// grid lines, the current value and the progress bar below the region.
void TimelineEnd(int line_count, float current, ImU32 progress_colour);
