#include "Event.h"

#include <GL/glew.h>

#include "Effect.h"
#include "ShaderProgram.h"

/* === Construction ======================================================== */

Event::Event(std::string name, Effect* effect, float start_beat, float end_beat)
    : effect(effect), start_beat(start_beat), end_beat(end_beat), name(std::move(name)) {}

/* === Curve evaluation ==================================================== */

float Event::CatmullRom(float t, float p0, float p1, float p2, float p3) const {
    float t2 = t * t;
    float t3 = t2 * t;
    return 0.5f * (2.0f * p1 + (p2 - p0) * t + (2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) * t2 +
                   (3.0f * p1 - p0 - 3.0f * p2 + p3) * t3);
}

float Event::GetValue(const std::string& name, float beat) {
    if (start_beat > beat || beat > end_beat) return 0.0f;  // both ends are inside
    float r = beat - start_beat;

    const Automation& curve = automation[name];  // creates an empty curve
    const std::vector<ControlPoint>& p = curve.control_points;
    const int n = static_cast<int>(p.size());
    if (n == 0) return 0.0f;

    // Segment search in stored order: lo is the last point at or before r
    // seen so far, hi the first later point after it.
    int lo = -1;
    int hi = -1;
    for (int i = 0; i < n; ++i) {
        if (r >= p[i].beat) {
            lo = i;
        } else if (lo >= 0) {
            hi = i;
            break;
        }
    }
    if (lo < 0) {
        // Before the curve begins: hold the value of its earliest point.
        int first = 0;
        for (int i = 1; i < n; ++i) {
            if (p[i].beat < p[first].beat) first = i;
        }
        return p[first].value;
    }
    if (hi < 0) {
        hi = lo + 1;
        if (hi == n) hi = curve.repeat ? 0 : n - 1;
    }
    int next = hi + 1;
    if (next == n) next = curve.repeat ? 0 : n - 1;
    int prev = lo - 1;
    if (lo == 0) prev = curve.repeat ? n - 1 : 0;

    float span = p[hi].beat - p[lo].beat;
    float t = span != 0.0f ? (r - p[lo].beat) / span : 0.0f;
    switch (curve.mode) {
    case 0:
        return p[lo].value;
    case 1:
        return p[lo].value * (1.0f - t) + p[hi].value * t;
    case 2:
        return CatmullRom(t, p[prev].value, p[lo].value, p[hi].value, p[next].value);
    default:
        return 0.0f;
    }
}

/* === Sending the curves to the shader ==================================== */

void Event::SetAutomationUniforms(float beat) {
    if (!effect || !effect->program) return;
    for (const UniformDef* def : effect->program->uniform_defs) {
        if (!def || def->location == -1) continue;
        const Automation& curve = automation[def->name];  // every drawn uniform gets a curve
        // Curves apply on the closed span [start, end]; drawing stops before end.
        if (!curve.control_points.empty() && start_beat <= beat && beat <= end_beat) {
            glUniform1f(def->location, GetValue(def->name, beat));
        } else {
            glUniform1f(def->location, def->default_val);
        }
    }
}
