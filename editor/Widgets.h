// Dear ImGui widgets with the checks the editor's values need. Debian's
// Dear ImGui keeps its assertions, so slider bounds it rejects would stop
// the program; and a number field must not leave a value that is not a number.
//
// Dear ImGui applies a typed number as it is typed, one key at a time, so a
// text on its way to a number the field refuses ("1e3" on the way to
// "1e39") would otherwise stay behind. Every field and slider below
// remembers its value when editing begins, and when editing ends on a typed
// text that is not a finite number, or on the very text it began with
// (Escape), it puts that value back (unless the document was replaced
// meanwhile). Dragging a slider or pressing a step button is no typed text.
// Where a value acts on something else as it changes (the beat seeks, the
// beat offset moves the playing beat), the "OnEnd" forms take a typed value
// only when its edit ends, so a text on its way acts on nothing.
#pragma once

#include <optional>
#include <string>

// InputFloat (flags 0) on a copy of *value: a result that is not finite
// (typing "1e39" into a float) leaves *value as it was, and the end of the
// edit puts back the value from before it. True when *value changed.
bool InputFiniteFloat(const char* label, float* value, float step, float step_fast, const char* format);
// The same field whose typed value is taken only when editing ends: *value
// is left alone while the user types (it may change under the field, as the
// playing beat does), and changes in the frame in which editing ends on a
// finite number other than the value editing began with, unless a load
// replaced the document meanwhile. A step button acts at once. With
// end_typing set, an edit being typed ends in this frame as Return would end
// it, and the field lets go of the keyboard (a save takes what the field
// shows). When the edit ends on a typed text that is not a finite number
// (nothing typed included), that text goes into *refused (when refused is
// not null) and the field keeps *value. True when *value changed.
bool InputFiniteFloatOnEnd(const char* label, float* value, float step, float step_fast, const char* format,
                           bool end_typing = false, std::optional<std::string>* refused = nullptr);
// SliderFloat (flags 0) with its bounds brought into what Dear ImGui accepts:
// finite and within +-FLT_MAX/2. The stored bounds are not touched; the value
// is changed only by the user's drag or by a typed (Ctrl+click) value, which
// may lie beyond the bounds but must be finite. True when *value changed.
bool SliderFloatChecked(const char* label, float* value, float min, float max, const char* format);
// The same slider whose typed (Ctrl+click) value is taken only when editing
// ends, as InputFiniteFloatOnEnd takes it, end_typing and refused
// included; a drag changes *value as it goes.
bool SliderFloatCheckedOnEnd(const char* label, float* value, float min, float max, const char* format,
                             bool end_typing = false, std::optional<std::string>* refused = nullptr);
// The bound as a slider may take it: NaN gives 0, the rest is clamped into
// +-FLT_MAX/2.
float SliderBound(float bound);
