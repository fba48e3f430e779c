// Event: a named span of beats that shows one effect, with one automation
// curve per user uniform name. Automation and ControlPoint are plain values.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "IWritable.h"

class Effect;

struct ControlPoint {
    float beat;   // relative to the owning event's start_beat
    float value;
    ControlPoint(float beat, float value) : beat(beat), value(value) {}
};

struct Automation {
    std::vector<ControlPoint> control_points;  // stored order, not sorted
    uint32_t mode = 1;       // 0 "Last value", 1 "Linear", 2 "Smooth"
    bool repeat = false;     // neighbour indices wrap around
};

class Event final : public IWritable {
public:
    Effect* effect = nullptr;
    float start_beat = 0.0f;  // active from here (inclusive)
    float end_beat = 0.0f;    // to here (exclusive)
    std::string name;
    std::map<std::string, Automation> automation;  // by uniform name

    Event(std::string name, Effect* effect, float start_beat, float end_beat);
    Event(JSON& value, std::map<std::string, Effect*>& effects_by_name);  // DocumentJSON.cpp
    explicit Event(FILE* file);  // Package.cpp; effect holds an id until ResolvePointers

    JSON ToJSON() const override;
    void Write(FILE* file) const override;

    // The curve of name at an absolute beat; 0 outside [start_beat, end_beat]
    // or without points; before the curve's earliest point, that point's
    // value. Looking a name up (inside the span) creates an empty curve.
    float GetValue(const std::string& name, float beat);
    float CatmullRom(float t, float p0, float p1, float p2, float p3) const;
    // Sends every user uniform of the effect's program for this beat.
    void SetAutomationUniforms(float beat);
    // Replaces the stored effect id by the object the map holds (null if none).
    void ResolvePointers(std::map<uint64_t, void*>& objects_by_id);
};
