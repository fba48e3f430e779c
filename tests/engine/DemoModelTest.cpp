// The document model: new objects, ownership, and the document operations
// that remove an object without leaving a reference to it anywhere.
#include <gtest/gtest.h>

#include <cstring>

#include "ByteBuffer.h"
#include "RenderHelpers.h"

using testrender::MakeProgram;
using testrender::RenderTest;
using testrender::Solid;
using testrender::SolidTexture;

using DemoModelTest = RenderTest;

/* === New objects ========================================================= */

TEST_F(DemoModelTest, ANewDocumentIsEmptyWith480Beats130BpmAndOffsetHalf) {
    Demo fresh;
    EXPECT_TRUE(fresh.events.empty());
    EXPECT_TRUE(fresh.effects.empty());
    EXPECT_TRUE(fresh.shaders.empty());
    EXPECT_TRUE(fresh.textures.empty());
    ASSERT_NE(fresh.music, nullptr);
    EXPECT_EQ(fresh.music->length, 0u);
    EXPECT_EQ(fresh.end_beat, 480.0f);
    EXPECT_EQ(fresh.bpm, 130.0f);
    EXPECT_EQ(fresh.beat_offset, 0.5f);
    EXPECT_FALSE(fresh.paused);
    ASSERT_NE(fresh.sound_texture, nullptr);
    EXPECT_EQ(fresh.sound_texture->width, 1024);
    EXPECT_EQ(fresh.sound_texture->height, 2);
    EXPECT_NE(fresh.sound_texture->name.find("(1024 x 2)"), std::string::npos);
}

TEST_F(DemoModelTest, MakingADocumentClearsTheLoopedEvent) {
    Event outside("loop", nullptr, 0.0f, 1.0f);
    g_loop_event = &outside;
    Demo fresh;
    EXPECT_EQ(g_loop_event, nullptr);
}

TEST_F(DemoModelTest, ANewEffectWithoutAProgramHasNoQuadNoInputsAndNoTarget) {
    Effect effect("untitled effect", nullptr, nullptr, nullptr, false);
    EXPECT_EQ(effect.name, "untitled effect");
    EXPECT_EQ(effect.program, nullptr);
    EXPECT_TRUE(effect.input_textures.empty());
    EXPECT_TRUE(effect.input_effects.empty());
    EXPECT_FALSE(effect.feedback);
    EXPECT_EQ(effect.vbo, 0u);
    EXPECT_EQ(effect.vao, 0u);
    EXPECT_EQ(effect.pixels, nullptr);
    EXPECT_EQ(effect.texture, 0u);
}

TEST_F(DemoModelTest, AnEffectWithAProgramAndInputsMakesItsQuadAndListsThem) {
    ShaderProgram* program = Add(MakeProgram(Solid(1, 1, 1)));
    Texture* texture = Add(SolidTexture(1, 2, 3));
    Effect* input = Add(new Effect("input", nullptr, nullptr, nullptr, false));
    Effect effect("e", program, texture, input, true);
    EXPECT_NE(effect.vao, 0u);
    EXPECT_NE(effect.vbo, 0u);
    EXPECT_EQ(effect.input_textures, std::vector<Texture*>{texture});
    EXPECT_EQ(effect.input_effects, std::vector<Effect*>{input});
    EXPECT_TRUE(effect.feedback);
    EXPECT_EQ(effect.pixels, nullptr);  // made at the first bind
}

TEST_F(DemoModelTest, ANewEventHasItsSpanAndNoCurves) {
    Event event("intro", nullptr, 0.0f, 64.0f);
    EXPECT_EQ(event.name, "intro");
    EXPECT_EQ(event.start_beat, 0.0f);
    EXPECT_EQ(event.end_beat, 64.0f);
    EXPECT_TRUE(event.automation.empty());
}

TEST_F(DemoModelTest, AUniformDefStartsWithoutALocation) {
    UniformDef def("speed", -1.0f, 2.0f, 0.5f);
    EXPECT_EQ(def.name, "speed");
    EXPECT_EQ(def.min_val, -1.0f);
    EXPECT_EQ(def.max_val, 2.0f);
    EXPECT_EQ(def.default_val, 0.5f);
    EXPECT_EQ(def.location, -1);
}

TEST_F(DemoModelTest, AByteBufferCopiesItsBytesAndMayBeEmpty) {
    char source[4] = {'a', 'b', 'c', 'd'};
    ByteBuffer copy(source, 4);
    source[0] = 'z';
    ASSERT_EQ(copy.length, 4u);
    EXPECT_EQ(std::memcmp(copy.data, "abcd", 4), 0);
    ByteBuffer empty(nullptr, 0);
    EXPECT_EQ(empty.length, 0u);
    EXPECT_NE(empty.data, nullptr);  // an empty buffer still owns an array
}

TEST_F(DemoModelTest, AScreenBufferIsTheScreenSizeTimesFourAndStartsZeroed) {
    Buffer buffer;
    ASSERT_EQ(buffer.size, static_cast<int64_t>(testgl::kWidth) * testgl::kHeight * 4);
    for (int64_t i = 0; i < buffer.size; ++i) ASSERT_EQ(buffer.bytes[i], 0) << i;
}

TEST_F(DemoModelTest, DestroyingAnEffectLeavesWhatItRefersToAlive) {
    ShaderProgram* program = Add(MakeProgram(Solid(1, 0, 0)));
    Texture* texture = Add(SolidTexture(1, 2, 3));
    Effect* input = Add(new Effect("input", program, nullptr, nullptr, false));
    Effect* effect = new Effect("e", program, texture, input, true);
    effect->Render();  // make its render target
    GLuint target = effect->texture;
    ASSERT_NE(target, 0u);
    delete effect;
    EXPECT_FALSE(glIsTexture(target));  // its own output goes with it
    EXPECT_TRUE(glIsTexture(texture->id));
    EXPECT_TRUE(glIsProgram(program->program));
    input->Render();
    EXPECT_PIXEL_NEAR(testgl::ReadPixel(1, 1), 255, 0, 0);
}

/* === Document operations ================================================= */

TEST_F(DemoModelTest, DeletingATextureClearsEveryInputThatUsedItButKeepsTheUnits) {
    Texture* doomed = Add(SolidTexture(255, 0, 0));
    Texture* kept = Add(SolidTexture(0, 255, 0));
    Effect* a = AddEffect(testrender::Sampling("tex1"));
    a->input_textures = {doomed, kept, doomed};
    demo->DeleteTexture(doomed);
    EXPECT_EQ(demo->textures, std::vector<Texture*>{kept});
    EXPECT_EQ(a->input_textures, (std::vector<Texture*>{nullptr, kept, nullptr}));
    a->Render();
    EXPECT_PIXEL_NEAR(testgl::ReadPixel(1, 1), 0, 255, 0);
}

TEST_F(DemoModelTest, DeletingAProgramLeavesItsEffectsWithoutOneAndTheyDrawNothing) {
    Effect* a = AddEffect(Solid(1, 0, 0));
    Effect* b = Add(new Effect("b", a->program, nullptr, nullptr, false));
    Add(new Event("e", a, 0.0f, 4.0f));
    demo->DeleteShaderProgram(a->program);
    EXPECT_TRUE(demo->shaders.empty());
    EXPECT_EQ(a->program, nullptr);
    EXPECT_EQ(b->program, nullptr);
    testgl::Clear(0, 0, 1, 1);
    EXPECT_EQ(demo->Render(1.0f), nullptr);
    EXPECT_PIXEL_NEAR(testgl::ReadPixel(1, 1), 0, 0, 255);
}

TEST_F(DemoModelTest, DeletingAnEffectClearsEventsAndOtherEffectsInputs) {
    Effect* doomed = AddEffect(Solid(1, 0, 0));
    Effect* user = AddEffect(testrender::Sampling("tex"));
    user->input_effects = {doomed};
    Event* event = Add(new Event("e", doomed, 0.0f, 4.0f));
    Event* other = Add(new Event("other", user, 0.0f, 4.0f));
    demo->DeleteEffect(doomed);
    EXPECT_EQ(demo->effects, std::vector<Effect*>{user});
    EXPECT_EQ(event->effect, nullptr);
    EXPECT_EQ(other->effect, user);
    EXPECT_EQ(user->input_effects, std::vector<Effect*>{nullptr});
    EXPECT_EQ(demo->Render(1.0f), user);
}

TEST_F(DemoModelTest, DeletingTheLoopedEventStopsTheLoop) {
    Event* looped = Add(new Event("loop", nullptr, 0.0f, 4.0f));
    Event* other = Add(new Event("other", nullptr, 0.0f, 4.0f));
    g_loop_event = looped;
    demo->DeleteEvent(other);
    EXPECT_EQ(g_loop_event, looped);
    demo->DeleteEvent(looped);
    EXPECT_EQ(g_loop_event, nullptr);
    EXPECT_TRUE(demo->events.empty());
}

TEST_F(DemoModelTest, AnObjectOutsideTheDocumentIsLeftAlone) {
    Texture* outside = SolidTexture(1, 2, 3);
    Effect* a = AddEffect(Solid(1, 0, 0));
    a->input_textures = {outside};
    demo->DeleteTexture(outside);  // not the document's: not destroyed
    EXPECT_TRUE(glIsTexture(outside->id));
    EXPECT_EQ(a->input_textures, std::vector<Texture*>{outside});
    demo->DeleteTexture(nullptr);
    demo->DeleteEffect(nullptr);
    demo->DeleteShaderProgram(nullptr);
    demo->DeleteEvent(nullptr);
    delete outside;
}

TEST_F(DemoModelTest, DestroyingTheDocumentClearsTheLoopedEventWhenItWasOneOfItsOwn) {
    Demo* other = new Demo();
    Event* looped = new Event("loop", nullptr, 0.0f, 4.0f);
    other->events.push_back(looped);
    g_loop_event = looped;
    delete other;
    EXPECT_EQ(g_loop_event, nullptr);
}
