// Dear ImGui widgets with the checks the editor's values need. Debian's
// Dear ImGui keeps its assertions, so slider bounds it rejects would stop
// the program; and a number field must not leave a value that is not a number.
#pragma once

// InputFloat (flags 0) on a copy of *value: a result that is not finite
// (typing "1e39" into a float) leaves *value as it was. True when *value changed.
bool InputFiniteFloat(const char* label, float* value, float step, float step_fast, const char* format);
// SliderFloat (flags 0) with its bounds brought into what Dear ImGui accepts:
// finite and within +-FLT_MAX/2. The stored bounds are not touched; the value
// is changed only by the user's drag.
bool SliderFloatChecked(const char* label, float* value, float min, float max, const char* format);
// The bound as a slider may take it: NaN gives 0, the rest is clamped into
// +-FLT_MAX/2.
float SliderBound(float bound);
