#include "Widgets.h"

#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

bool InputFiniteFloat(const char* label, float* value, float step, float step_fast, const char* format) {
    float edited = *value;
    ImGui::InputFloat(label, &edited, step, step_fast, format, 0);
    if (!std::isfinite(edited) || edited == *value) return false;
    *value = edited;
    return true;
}

float SliderBound(float bound) {
    if (std::isnan(bound)) return 0.0f;
    return std::clamp(bound, -FLT_MAX / 2.0f, FLT_MAX / 2.0f);
}

bool SliderFloatChecked(const char* label, float* value, float min, float max, const char* format) {
    return ImGui::SliderFloat(label, value, SliderBound(min), SliderBound(max), format, 0);
}
