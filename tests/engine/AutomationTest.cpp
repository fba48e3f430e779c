// Automation curves: Event::GetValue's span, segment search, modes and
// repeat wrapping, and the curve a lookup leaves behind.
#include <gtest/gtest.h>

#include <cmath>

#include "Event.h"

namespace {

// An event over beats [10, 30] with one curve "u".
Event MakeEvent(std::vector<ControlPoint> points, uint32_t mode, bool repeat = false) {
    Event event("e", nullptr, 10.0f, 30.0f);
    Automation& curve = event.automation["u"];
    curve.control_points = std::move(points);
    curve.mode = mode;
    curve.repeat = repeat;
    return event;
}

// The curve's value at a beat relative to the event's start.
float At(Event& event, float relative_beat) { return event.GetValue("u", event.start_beat + relative_beat); }

}  // namespace

TEST(Automation, ANewCurveIsLinearWithoutRepeatOrPoints) {
    Automation curve;
    EXPECT_TRUE(curve.control_points.empty());
    EXPECT_EQ(curve.mode, 1u);
    EXPECT_FALSE(curve.repeat);
}

TEST(Automation, BothEndsOfTheSpanAreEvaluatedAndOutsideIsZero) {
    Event event = MakeEvent({{0.0f, 5.0f}}, 0);
    EXPECT_EQ(event.GetValue("u", 10.0f), 5.0f);
    EXPECT_EQ(event.GetValue("u", 30.0f), 5.0f);
    EXPECT_EQ(event.GetValue("u", 9.999f), 0.0f);
    EXPECT_EQ(event.GetValue("u", 30.001f), 0.0f);
}

TEST(Automation, ANameWithoutACurveGivesZeroAndLeavesAnEmptyCurve) {
    Event event("e", nullptr, 0.0f, 8.0f);
    EXPECT_EQ(event.GetValue("missing", 4.0f), 0.0f);
    ASSERT_EQ(event.automation.count("missing"), 1u);
    const Automation& created = event.automation["missing"];
    EXPECT_TRUE(created.control_points.empty());
    EXPECT_EQ(created.mode, 1u);
    EXPECT_FALSE(created.repeat);
}

TEST(Automation, ABeatOutsideTheSpanIsAnsweredWithoutLookingTheNameUp) {
    Event event("e", nullptr, 0.0f, 8.0f);
    EXPECT_EQ(event.GetValue("late", 9.0f), 0.0f);  // outside: answered before any lookup
    EXPECT_EQ(event.automation.count("late"), 0u);
}

TEST(Automation, ASinglePointHoldsItsValueAtAndAfterItsBeatInEveryMode) {
    for (uint32_t mode : {0u, 1u, 2u}) {
        for (bool repeat : {false, true}) {
            Event event = MakeEvent({{2.0f, 0.75f}}, mode, repeat);
            EXPECT_EQ(At(event, 2.0f), 0.75f) << "mode " << mode;
            EXPECT_EQ(At(event, 15.0f), 0.75f) << "mode " << mode;
        }
    }
}

TEST(Automation, BeforeTheFirstPointTheFirstPointsValueIsHeld) {
    for (uint32_t mode : {0u, 1u, 2u}) {
        Event event = MakeEvent({{4.0f, 2.0f}, {8.0f, 6.0f}}, mode);
        EXPECT_EQ(At(event, 0.0f), 2.0f) << "mode " << mode;
        EXPECT_EQ(At(event, 3.99f), 2.0f) << "mode " << mode;
        Event repeating = MakeEvent({{4.0f, 2.0f}, {8.0f, 6.0f}}, mode, true);
        EXPECT_EQ(At(repeating, 1.0f), 2.0f) << "mode " << mode;
    }
}

TEST(Automation, BeforeAllOfUnsortedPointsTheEarliestPointIsHeld) {
    Event event = MakeEvent({{6.0f, 9.0f}, {3.0f, 4.0f}}, 1);
    EXPECT_EQ(At(event, 1.0f), 4.0f);
}

TEST(Automation, TwoPointsWithoutRepeatInEachMode) {
    // Points (0, 0) and (4, 1): halfway, then at the last point and beyond.
    Event step = MakeEvent({{0.0f, 0.0f}, {4.0f, 1.0f}}, 0);
    Event linear = MakeEvent({{0.0f, 0.0f}, {4.0f, 1.0f}}, 1);
    Event smooth = MakeEvent({{0.0f, 0.0f}, {4.0f, 1.0f}}, 2);
    EXPECT_EQ(At(step, 2.0f), 0.0f);
    EXPECT_EQ(At(linear, 2.0f), 0.5f);
    EXPECT_FLOAT_EQ(At(smooth, 2.0f), 0.5f);
    for (float r : {4.0f, 5.0f, 20.0f}) {
        EXPECT_EQ(At(step, r), 1.0f) << r;
        EXPECT_EQ(At(linear, r), 1.0f) << r;
        EXPECT_EQ(At(smooth, r), 1.0f) << r;
    }
    EXPECT_EQ(At(linear, 0.0f), 0.0f);  // exactly on the first point
    EXPECT_EQ(At(linear, 1.0f), 0.25f);
}

TEST(Automation, WithRepeatTheSegmentAfterTheLastPointRunsToTheFirst) {
    // t = (6 - 4) / (0 - 4) = -0.5: linear gives 1.0 * 1.5 + 0.0 * -0.5.
    Event linear = MakeEvent({{0.0f, 0.0f}, {4.0f, 1.0f}}, 1, true);
    EXPECT_FLOAT_EQ(At(linear, 6.0f), 1.5f);
    Event step = MakeEvent({{0.0f, 0.0f}, {4.0f, 1.0f}}, 0, true);
    EXPECT_EQ(At(step, 6.0f), 1.0f);
    // Inside the points repeat changes nothing for linear.
    EXPECT_EQ(At(linear, 2.0f), 0.5f);
}

TEST(Automation, SmoothIsCatmullRomThroughTheFourPointsAround) {
    const float a = 1.0f, b = 3.0f, c = -2.0f, d = 5.0f;
    Event event = MakeEvent({{0.0f, a}, {1.0f, b}, {2.0f, c}, {3.0f, d}}, 2);
    EXPECT_FLOAT_EQ(At(event, 1.5f), event.CatmullRom(0.5f, a, b, c, d));
    // On the first segment the previous point stops at the first point...
    EXPECT_FLOAT_EQ(At(event, 0.5f), event.CatmullRom(0.5f, a, a, b, c));
    // ...and with repeat it wraps to the last one.
    Event repeating = MakeEvent({{0.0f, a}, {1.0f, b}, {2.0f, c}, {3.0f, d}}, 2, true);
    EXPECT_FLOAT_EQ(At(repeating, 0.5f), event.CatmullRom(0.5f, d, a, b, c));
    // On the last full segment next stops at the last point, or wraps to the first.
    EXPECT_FLOAT_EQ(At(event, 2.5f), event.CatmullRom(0.5f, b, c, d, d));
    EXPECT_FLOAT_EQ(At(repeating, 2.5f), event.CatmullRom(0.5f, b, c, d, a));
}

TEST(Automation, CatmullRomPassesThroughTheInnerPoints) {
    Event event("e", nullptr, 0.0f, 1.0f);
    EXPECT_EQ(event.CatmullRom(0.0f, 7.0f, 2.0f, 9.0f, -4.0f), 2.0f);
    EXPECT_FLOAT_EQ(event.CatmullRom(1.0f, 7.0f, 2.0f, 9.0f, -4.0f), 9.0f);
    // 0.5 * (2*1 + (3-0)*0.5 + (0 - 5 + 12 - 4)*0.25 + (3 - 0 - 9 + 4)*0.125)
    EXPECT_FLOAT_EQ(event.CatmullRom(0.5f, 0.0f, 1.0f, 3.0f, 4.0f), 0.5f * (2.0f + 1.5f + 0.75f - 0.25f));
}

TEST(Automation, AnUnknownModeGivesZeroInsideTheSpan) {
    Event event = MakeEvent({{0.0f, 3.0f}, {4.0f, 7.0f}}, 3);
    EXPECT_EQ(At(event, 2.0f), 0.0f);
    EXPECT_EQ(At(event, 0.0f), 0.0f);
}

TEST(Automation, PointsSharingABeatGiveTZero) {
    Event event = MakeEvent({{0.0f, 1.0f}, {2.0f, 4.0f}, {2.0f, 8.0f}}, 1);
    // At r = 2 both later points are at or before r: lo is the second of them.
    EXPECT_EQ(At(event, 2.0f), 8.0f);
    EXPECT_FALSE(std::isnan(At(event, 2.0f)));
}

TEST(Automation, UnsortedPointsFollowTheStoredOrderSearch) {
    // Stored (0, 0), (8, 8), (4, 4) at r = 5: lo becomes 0, then the point at
    // 8 ends the search as hi, so the point at 4 is never looked at.
    Event event = MakeEvent({{0.0f, 0.0f}, {8.0f, 8.0f}, {4.0f, 4.0f}}, 1);
    EXPECT_FLOAT_EQ(At(event, 5.0f), 5.0f);
    // At r = 9 the last point at or before r is the one at 4 (index 2),
    // the last point: without repeat hi is itself.
    EXPECT_EQ(At(event, 9.0f), 4.0f);
}

TEST(Automation, ANotANumberBeatNeitherCrashesNorReadsOutside) {
    Event event = MakeEvent({{0.0f, 2.0f}, {4.0f, 6.0f}}, 2, true);
    float value = event.GetValue("u", std::nanf(""));
    EXPECT_EQ(value, 2.0f);  // no point lies at or before it: the first is held
}
