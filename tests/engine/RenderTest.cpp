// Effect rendering, checked by the pixels it leaves in the back buffer.
#include <gtest/gtest.h>

#include <tuple>

#include "ByteBuffer.h"
#include "Music.h"
#include "RenderHelpers.h"

using testgl::ReadPixel;
using testrender::BoundTexture;
using testrender::CountQuads;
using testrender::Fragment;
using testrender::MakeProgram;
using testrender::RenderTest;
using testrender::Sampling;
using testrender::Solid;
using testrender::SolidTexture;

/* === Events over the beats =============================================== */

TEST_F(RenderTest, AnActiveEventDrawsItsEffectOverTheWholeScreen) {
    Effect* red = AddEffect(Solid(1, 0, 0));
    Add(new Event("e", red, 0.0f, 4.0f));
    EXPECT_EQ(demo->Render(1.0f), red);
    EXPECT_PIXEL_NEAR(ReadPixel(0, 0), 255, 0, 0);
    EXPECT_PIXEL_NEAR(ReadPixel(63, 47), 255, 0, 0);
}

TEST_F(RenderTest, AnEventIsActiveAtItsStartBeatAndInactiveAtItsEndBeat) {
    Effect* red = AddEffect(Solid(1, 0, 0));
    Add(new Event("e", red, 2.0f, 4.0f));
    EXPECT_EQ(demo->Render(4.0f), nullptr);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 0, 0);
    EXPECT_EQ(demo->Render(1.99f), nullptr);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 0, 0);
    EXPECT_EQ(demo->Render(2.0f), red);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 255, 0, 0);
}

TEST_F(RenderTest, OverlappingEventsBlendInListOrderAndTheLastDrawnIsReturned) {
    Effect* red = AddEffect(Solid(1, 0, 0));
    Effect* half_blue = AddEffect(Solid(0, 0, 1, 0.5f));
    Add(new Event("under", red, 0.0f, 8.0f));
    Add(new Event("over", half_blue, 0.0f, 8.0f));
    EXPECT_EQ(demo->Render(1.0f), half_blue);
    EXPECT_PIXEL_NEAR(ReadPixel(10, 10), 128, 0, 128);

    std::swap(demo->events[0], demo->events[1]);  // the opaque red now covers it
    testgl::Clear(0, 0, 0, 1);
    EXPECT_EQ(demo->Render(1.0f), red);
    EXPECT_PIXEL_NEAR(ReadPixel(10, 10), 255, 0, 0);
}

TEST_F(RenderTest, AlphaBelowOneLetsTheClearColourThrough) {
    testgl::Clear(0.45f, 0.55f, 0.60f, 1.0f);
    Add(new Event("e", AddEffect(Solid(1, 0, 0, 0.25f)), 0.0f, 8.0f));
    demo->Render(0.0f);
    // 0.25 * colour + 0.75 * clear colour
    EXPECT_PIXEL_NEAR(ReadPixel(1, 1), 0.25 * 255 + 0.75 * 0.45 * 255, 0.75 * 0.55 * 255, 0.75 * 0.60 * 255);
}

TEST_F(RenderTest, WithNoActiveEventNothingIsDrawnAndNullIsReturned) {
    testgl::Clear(0.0f, 1.0f, 0.0f, 1.0f);
    EXPECT_EQ(demo->Render(3.0f), nullptr);
    EXPECT_PIXEL_NEAR(ReadPixel(3, 3), 0, 255, 0);
}

/* === Built-in and user uniforms ========================================== */

TEST_F(RenderTest, TheBeatUniformCarriesTheCurrentBeatNotTheRenderedOne) {
    Add(new Event("e", AddEffect(Fragment("uniform float beat;", "color = vec4(beat / 8.0, 0.0, 0.0, 1.0);")),
                  0.0f, 100.0f));
    g_beat = 4.0f;
    demo->Render(1.0f);
    EXPECT_PIXEL_NEAR(ReadPixel(2, 2), 128, 0, 0);
}

TEST_F(RenderTest, ResolutionAndCameraUniformsCarryTheScreenSizeAndTheCamera) {
    Add(new Event("e",
                  AddEffect(Fragment("uniform vec3 camera_position; uniform vec3 camera_rotation;",
                                     "color = vec4(resolution.x / 256.0, camera_position.y, camera_rotation.z, 1.0);")),
                  0.0f, 100.0f));
    g_camera_position[1] = 0.5f;
    g_camera_rotation[2] = 0.25f;
    demo->Render(1.0f);
    EXPECT_PIXEL_NEAR(ReadPixel(2, 2), 64, 128, 64);  // width 64 / 256 = 0.25
}

TEST_F(RenderTest, AUserUniformFollowsItsCurveAndOtherwiseItsDefault) {
    std::string fragment = Fragment("uniform float level;", "color = vec4(level, 0.0, 0.0, 1.0);");
    ShaderProgram* program = Add(MakeProgram(fragment, {new UniformDef("level", 0.0f, 1.0f, 0.25f)}));
    ASSERT_NE(program->uniform_defs[0]->location, -1);
    Effect* effect = Add(new Effect("e", program, nullptr, nullptr, false));
    Event* event = Add(new Event("ev", effect, 10.0f, 20.0f));

    // Drawing looks the curve up: it now exists, empty, so the default applies.
    demo->Render(12.0f);
    ASSERT_EQ(event->automation.count("level"), 1u);
    EXPECT_TRUE(event->automation["level"].control_points.empty());
    EXPECT_PIXEL_NEAR(ReadPixel(2, 2), 64, 0, 0);

    Automation& curve = event->automation["level"];
    curve.control_points = {{0.0f, 0.0f}, {4.0f, 1.0f}};
    demo->Render(12.0f);  // relative beat 2: halfway
    EXPECT_PIXEL_NEAR(ReadPixel(2, 2), 128, 0, 0);
    demo->Render(19.0f);  // past the last point: held
    EXPECT_PIXEL_NEAR(ReadPixel(2, 2), 255, 0, 0);
}

// "logo" (uniform zoom, default 0.25) is the input of "post", whose event
// shows it at beats 96 to 160; what post shows of logo at a beat never
// depends on what was drawn before.
struct InputWithUniform {
    Effect* logo;
    Effect* post;
};

static InputWithUniform AddLogoAndPost(Demo& demo) {
    std::string zoomed = Fragment("uniform float zoom;", "color = vec4(zoom, 0.0, 0.0, 1.0);");
    ShaderProgram* logo_program = MakeProgram(zoomed, {new UniformDef("zoom", 0.0f, 1.0f, 0.25f)});
    ShaderProgram* post_program = MakeProgram(testrender::Sampling("tex"));
    demo.shaders.insert(demo.shaders.end(), {logo_program, post_program});
    Effect* logo = new Effect("logo", logo_program, nullptr, nullptr, false);
    Effect* post = new Effect("post", post_program, nullptr, logo, false);
    demo.effects.insert(demo.effects.end(), {logo, post});
    return {logo, post};
}

// An event of effect from start to end whose zoom curve holds value.
static Event* ZoomEvent(const char* name, Effect* effect, float start, float end, float value) {
    Event* event = new Event(name, effect, start, end);
    event->automation["zoom"].control_points = {{0.0f, value}};
    return event;
}

TEST_F(RenderTest, AnInputEffectWithoutAnEventOfItsOwnDrawsWithItsDefaults) {
    InputWithUniform fx = AddLogoAndPost(*demo);
    Add(new Event("show", fx.post, 96.0f, 160.0f));
    // Its program has just linked, as after a load: every uniform reads 0 in GL.
    EXPECT_EQ(demo->Render(120.0f), fx.post);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 64, 0, 0);

    // An event of its own sets zoom to 1 while it plays; once it has ended
    // the input draws with its default again.
    Add(ZoomEvent("logo alone", fx.logo, 0.0f, 4.0f, 1.0f));
    EXPECT_EQ(demo->Render(2.0f), fx.logo);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 255, 0, 0);
    EXPECT_EQ(demo->Render(120.0f), fx.post);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 64, 0, 0);

    // Start-up's first drawing of every effect follows the same rule: its
    // own event where one is active, else its defaults.
    demo->Render(2.0f);
    fx.logo->Render(demo, 120.0f);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 64, 0, 0);
    fx.logo->Render(demo, 2.0f);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 255, 0, 0);
}

TEST_F(RenderTest, AnInputEffectWithAnActiveEventOfItsOwnTakesTheFirstSuchEventsCurve) {
    for (bool control_first : {true, false}) {
        SCOPED_TRACE(control_first ? "control listed first" : "control listed after the event that shows it");
        InputWithUniform fx = AddLogoAndPost(*demo);
        Event* show = new Event("show", fx.post, 96.0f, 160.0f);
        Event* control = ZoomEvent("control", fx.logo, 96.0f, 160.0f, 0.5f);
        Event* later = ZoomEvent("later control", fx.logo, 96.0f, 160.0f, 1.0f);
        demo->events = control_first ? std::vector<Event*>{control, show, later}
                                     : std::vector<Event*>{show, control, later};
        demo->Render(120.0f);
        // What post's binding drew of logo, as captured for it.
        ASSERT_NE(fx.logo->pixels, nullptr);
        EXPECT_NEAR(fx.logo->pixels->bytes[0], 128, 2);
        for (Event* event : std::vector<Event*>(demo->events)) demo->DeleteEvent(event);
    }
}

TEST_F(RenderTest, TheWarmUpRenderOfAnEffectDrawsItAlone) {
    Effect* green = AddEffect(Solid(0, 1, 0));
    green->Render();
    EXPECT_PIXEL_NEAR(ReadPixel(30, 30), 0, 255, 0);
}

/* === Texture units ======================================================= */

TEST_F(RenderTest, InputTexturesTakeUnitsFromZeroWithoutFeedback) {
    Texture* red = Add(SolidTexture(255, 0, 0));
    Texture* green = Add(SolidTexture(0, 255, 0));
    for (auto [sampler, r, g] : {std::tuple<const char*, int, int>{"tex", 255, 0}, {"tex1", 0, 255}}) {
        Effect* effect = AddEffect(Sampling(sampler));
        effect->input_textures = {red, green};
        effect->Render();
        SCOPED_TRACE(sampler);
        EXPECT_PIXEL_NEAR(ReadPixel(8, 8), r, g, 0);
    }
}

TEST_F(RenderTest, WithFeedbackTheEffectsOwnTextureIsUnitZeroAndInputsFollow) {
    Texture* red = Add(SolidTexture(255, 0, 0));
    Texture* green = Add(SolidTexture(0, 255, 0));
    struct Case { const char* sampler; int r, g, b; };
    for (Case c : {Case{"tex", 0, 0, 0}, Case{"tex1", 255, 0, 0}, Case{"tex2", 0, 255, 0}}) {
        Effect* effect = AddEffect(Sampling(c.sampler), true);
        effect->input_textures = {red, green};
        testgl::Clear(0, 0, 1, 1);
        effect->Render();
        // A render target never captured reads as zero, not as leftover memory.
        SCOPED_TRACE(c.sampler);
        EXPECT_PIXEL_NEAR(ReadPixel(8, 8), c.r, c.g, c.b);
    }
}

TEST_F(RenderTest, BindReportsTheUnitsItBoundInTheirOrder) {
    Texture* red = Add(SolidTexture(255, 0, 0));
    Effect* input = AddEffect(Solid(0, 0, 1));
    Effect* effect = AddEffect(Sampling("tex"), true);
    effect->input_textures = {red};
    effect->input_effects = {input};
    int count = effect->Bind();
    EXPECT_EQ(count, 3);
    EXPECT_EQ(BoundTexture(0), static_cast<GLint>(effect->texture));
    EXPECT_EQ(BoundTexture(1), static_cast<GLint>(red->id));
    EXPECT_EQ(BoundTexture(2), static_cast<GLint>(input->texture));
    EXPECT_NE(input->texture, 0u);
    UnbindTextures(count);
    for (int unit = 0; unit < 3; ++unit) EXPECT_EQ(BoundTexture(unit), 0) << unit;
}

TEST_F(RenderTest, TheFeedbackUnitShowsTheEffectsLastCapture) {
    Effect* effect = AddEffect(Fragment("uniform sampler2D tex;",
                                        "color = vec4(texture(tex, uv).rgb * 0.5, 1.0);"),
                               true);
    testgl::Clear(1.0f, 1.0f, 0.0f, 1.0f);
    effect->CaptureBackBuffer();
    testgl::Clear(0, 0, 0, 1);
    Add(new Event("e", effect, 0.0f, 1.0f));
    demo->Render(0.0f);
    EXPECT_PIXEL_NEAR(ReadPixel(40, 20), 128, 128, 0);
}

// Each frame adds a quarter of red to what the effect read of its own last
// picture: three frames give three quarters only when each frame's picture
// reaches the next.
TEST_F(RenderTest, AFrameCapturesItsLastEffectWhenThatEffectReadsItsOwnCapture) {
    std::string add_red =
        Fragment("uniform sampler2D tex;", "color = vec4(texture(tex, uv).r + 0.25, 0.0, 0.0, 1.0);");
    ShaderProgram* adds_red = Add(MakeProgram(add_red));
    ShaderProgram* shows_tex = Add(MakeProgram(testrender::Sampling("tex")));
    struct Case {
        const char* how;
        bool reads_itself;
    };
    for (Case c : {Case{"feedback", true}, Case{"its own input", true}, Case{"the input of its input", true},
                   Case{"no input", false}, Case{"behind an input without a program", false},
                   Case{"behind an input whose program did not link", false}}) {
        SCOPED_TRACE(c.how);
        std::string how = c.how;
        Effect* top = Add(new Effect("top", adds_red, nullptr, nullptr, how == "feedback"));
        if (how == "its own input") top->input_effects = {top};
        if (how == "the input of its input" || how.rfind("behind", 0) == 0) {
            Effect* between = Add(new Effect("between", how == "the input of its input" ? shows_tex : nullptr,
                                             nullptr, nullptr, false));
            if (how == "behind an input whose program did not link") {
                between->program = Add(MakeProgram("#version 150\nout vec4 color;\n"));  // no main
                between->CreateQuad();
            }
            between->input_effects = {top};
            top->input_effects = {between};
        }
        Event* event = Add(new Event("e", top, 0.0f, 8.0f));
        EXPECT_EQ(top->ReadsOwnCapture(), c.reads_itself);

        for (int frame = 0; frame < 3; ++frame) {
            testgl::Clear(0, 0, 0, 1);
            bool captured = !c.reads_itself;
            EXPECT_EQ(demo->RenderFrame(1.0f, &captured), top);
            EXPECT_EQ(captured, c.reads_itself);
        }
        EXPECT_PIXEL_NEAR(ReadPixel(5, 5), c.reads_itself ? 191 : 64, 0, 0);
        // An effect that reads nothing of itself costs no capture.
        if (!c.reads_itself) {
            EXPECT_EQ(top->texture, 0u);
        }

        // Emptied targets read as never captured: the trail starts again.
        demo->ClearRenderTargets();
        testgl::Clear(0, 0, 0, 1);
        demo->RenderFrame(1.0f);
        EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 64, 0, 0);
        demo->DeleteEvent(event);
    }
}

TEST_F(RenderTest, InputEffectsAreDrawnAndCapturedBeforeTheEffectUsesThem) {
    Effect* blue = AddEffect(Solid(0, 0, 1));
    // Shows its input with red and blue swapped: blue in, red out.
    Effect* effect = AddEffect(Fragment("uniform sampler2D tex;", "color = vec4(texture(tex, uv).bgr, 1.0);"));
    effect->input_effects = {blue};
    Add(new Event("e", effect, 0.0f, 1.0f));
    EXPECT_EQ(demo->Render(0.5f), effect);
    EXPECT_PIXEL_NEAR(ReadPixel(20, 20), 255, 0, 0);
    EXPECT_NE(blue->texture, 0u);
    ASSERT_NE(blue->pixels, nullptr);
    EXPECT_EQ(blue->pixels->bytes[2], 255);  // the capture holds the blue picture
}

TEST_F(RenderTest, InputEffectsComeAfterTheInputTextures) {
    Texture* red = Add(SolidTexture(255, 0, 0));
    Effect* green = AddEffect(Solid(0, 1, 0));
    Effect* effect = AddEffect(Sampling("tex1"));
    effect->input_textures = {red};
    effect->input_effects = {green};
    effect->Render();
    EXPECT_PIXEL_NEAR(ReadPixel(20, 20), 0, 255, 0);
}

TEST_F(RenderTest, TheSoundTextureIsOnUnitSixteenOnlyForProgramsThatUseIt) {
    // Something else on unit 16 first: a colour the sound texture (all four
    // bytes of a pixel equal) can never have.
    Texture* marker = Add(SolidTexture(10, 200, 30));
    glActiveTexture(GL_TEXTURE16);
    glBindTexture(GL_TEXTURE_2D, marker->id);
    glActiveTexture(GL_TEXTURE0);

    Effect* plain = AddEffect(Solid(0, 0, 0));
    Add(new Event("plain", plain, 0.0f, 1.0f));
    demo->Render(0.5f);
    EXPECT_EQ(BoundTexture(16), static_cast<GLint>(marker->id));  // neither bound nor unbound

    Effect* sound = AddEffect(Fragment("uniform sampler2D sound_texture;",
                                       "color = vec4(texture(sound_texture, vec2(1000.5 / 1024.0, 0.25)).rgb, 1.0);"));
    Add(new Event("sound", sound, 0.0f, 1.0f));
    demo->Render(0.5f);
    const uint8_t* pixels = SoundPixels();
    uint8_t level = pixels[1000 * 4];  // row 0, pixel 1000, as uploaded this frame
    EXPECT_PIXEL_NEAR(ReadPixel(4, 4), level, level, level);
    EXPECT_EQ(BoundTexture(16), 0);  // unbound after the draw
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderTest, InputsBeyondUnitFifteenAreNotBoundAndUnitSixteenStaysFree) {
    Texture* marker = Add(SolidTexture(10, 200, 30));
    std::vector<Texture*> inputs;
    for (int i = 0; i < 17; ++i) inputs.push_back(Add(SolidTexture(static_cast<uint8_t>(i * 10), 0, 0)));
    glActiveTexture(GL_TEXTURE16);
    glBindTexture(GL_TEXTURE_2D, marker->id);
    glActiveTexture(GL_TEXTURE0);
    Effect* effect = AddEffect(Sampling("tex15"), true);  // feedback on 0, inputs 0..14 on 1..15
    effect->input_textures = inputs;
    int count = effect->Bind();
    EXPECT_EQ(count, 16);
    EXPECT_EQ(BoundTexture(16), static_cast<GLint>(marker->id));
    effect->SetUniforms();
    effect->DrawQuad();
    UnbindTextures(count);
    EXPECT_PIXEL_NEAR(ReadPixel(4, 4), 140, 0, 0);  // input 14
    EXPECT_EQ(BoundTexture(16), static_cast<GLint>(marker->id));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glActiveTexture(GL_TEXTURE16);
    glBindTexture(GL_TEXTURE_2D, 0);
}

/* === Programs that link after the effect got them ======================== */

// As in the editor: "New" gives a program that does not link; an effect picks
// it, and only then is it loaded with a good shader and linked.
TEST_F(RenderTest, AnEffectGivenAProgramThatHadNotLinkedDrawsOnceTheProgramLinks) {
    ShaderProgram* program = Add(new ShaderProgram());
    while (glGetError() != GL_NO_ERROR) {
    }
    Effect* effect = Add(new Effect("untitled effect", program, nullptr, nullptr, false));
    Add(new Event("e", effect, 0.0f, 8.0f));
    program->fragment_shader_source = Solid(0, 1, 0);
    program->Relink();
    ASSERT_EQ(program->log, "Compilation successful.");
    EXPECT_EQ(demo->Render(1.0f), effect);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 255, 0);
}

/* === Input effects that several effects share ========================== */

TEST_F(RenderTest, EffectsThatShareInputsAreEachDrawnOncePerFrame) {
    // Each of 8 effects takes the next as both of its inputs: 2^7 paths lead
    // from the top to the last one, so a draw per path would be 255 quads.
    // The chain is short enough that such a frame fails at once instead of
    // running for minutes; the 22-layer frame is the render benchmark's and
    // a seed of the document fuzzer.
    std::vector<Effect*> layers = AddSharedInputLayers(8, 0.2f, 0.6f, 1.0f);
    Add(new Event("shared inputs", layers[0], 0.0f, 0.1f));
    EXPECT_EQ(CountQuads([&] { EXPECT_EQ(demo->Render(0.0f), layers[0]); }), 8);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 51, 153, 255);  // the last one's colour, passed up
    EXPECT_EQ(CountQuads([&] { demo->Render(0.05f); }), 8);  // the next frame draws all again

    // Start-up's warm-up renders every effect alone: layer i draws itself
    // and the 7 - i below it once each.
    EXPECT_EQ(CountQuads([&] {
                  for (Effect* effect : demo->effects) effect->Render();
              }),
              8 * 9 / 2);
}

TEST_F(RenderTest, AnInputTakenTwiceInOneBindingIsBlendedOnce) {
    Effect* half_blue = AddEffect(Solid(0, 0, 1, 0.5f));
    Effect* effect = AddEffect(Sampling("tex1"));
    effect->input_effects = {half_blue, half_blue};
    Add(new Event("e", effect, 0.0f, 1.0f));
    EXPECT_EQ(CountQuads([&] { demo->Render(0.5f); }), 2);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 0, 128);  // half blue over black, not blended again
}

TEST_F(RenderTest, AnInputSharedByTwoActiveEventsIsDrawnAndCapturedForEach) {
    Effect* half_blue = AddEffect(Solid(0, 0, 1, 0.5f));
    Effect* first = AddEffect(Sampling("tex"));
    Effect* second = AddEffect(Sampling("tex"));
    first->input_effects = {half_blue};
    second->input_effects = {half_blue};
    Add(new Event("first", first, 0.0f, 1.0f));
    Add(new Event("second", second, 0.0f, 1.0f));
    EXPECT_EQ(CountQuads([&] { demo->Render(0.5f); }), 4);
    // Drawn afresh over the first event's picture (half blue): three quarters.
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 0, 191);
}

/* === Missing references and cycles ======================================= */

TEST_F(RenderTest, AnEventWithoutAnEffectOrAnEffectWithoutAProgramDrawsNothing) {
    testgl::Clear(0, 1, 0, 1);
    Add(new Event("no effect", nullptr, 0.0f, 8.0f));
    Effect* no_program = Add(new Effect("untitled effect", nullptr, nullptr, nullptr, false));
    Add(new Event("no program", no_program, 0.0f, 8.0f));
    EXPECT_EQ(demo->Render(1.0f), nullptr);
    no_program->Render();
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 255, 0);
    EXPECT_EQ(no_program->Bind(), 0);
}

// A fragment shader that compiles but cannot link: it has no main.
static const char* const kNoMain = "#version 150\nout vec4 color;\nvec4 shade() { return vec4(1.0); }\n";

TEST_F(RenderTest, AnEffectWhoseProgramDidNotLinkDrawsNothing) {
    testing::internal::CaptureStdout();  // the link's reason is printed
    Effect* broken = AddEffect(kNoMain);
    testing::internal::GetCapturedStdout();
    ASSERT_FALSE(broken->program->linked);
    EXPECT_FALSE(broken->Drawable());

    // Alone: the clear colour, also with no program in use before it.
    Event* alone = Add(new Event("broken", broken, 0.0f, 8.0f));
    testgl::Clear(0.45f, 0.55f, 0.60f, 1.0f);
    glUseProgram(0);
    EXPECT_EQ(demo->Render(1.0f), nullptr);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 115, 140, 153);

    // After a good effect at alpha 0.5: that one draw, not a second one with
    // the program still in use.
    Effect* half_red = AddEffect(Solid(1, 0, 0, 0.5f));
    demo->events = {new Event("good", half_red, 0.0f, 8.0f), alone};
    testgl::Clear(0.45f, 0.55f, 0.60f, 1.0f);
    EXPECT_EQ(demo->Render(1.0f), half_red);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 185, 70, 76);

    // As an input it is neither drawn nor captured.
    Effect* user = AddEffect(testrender::Sampling("tex"));
    user->input_effects = {broken};
    testgl::Clear(1, 1, 1, 1);
    user->Render();
    EXPECT_EQ(broken->texture, 0u);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 0, 0);
}

TEST_F(RenderTest, ANullInputKeepsItsUnitSoTheOthersKeepTheirNumbers) {
    Texture* green = Add(SolidTexture(0, 255, 0));
    Effect* with_null_texture = AddEffect(Sampling("tex1"));
    with_null_texture->input_textures = {nullptr, green};
    with_null_texture->Render();
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 255, 0);

    Effect* blue = AddEffect(Solid(0, 0, 1));
    Effect* with_null_effect = AddEffect(Sampling("tex1"));
    with_null_effect->input_effects = {nullptr, blue};
    testgl::Clear(0, 0, 0, 1);
    with_null_effect->Render();
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 0, 255);

    // The null unit itself holds no texture: it samples black.
    Effect* sampling_null = AddEffect(Sampling("tex"));
    sampling_null->input_textures = {nullptr, green};
    sampling_null->Render();
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 0, 0);
}

TEST_F(RenderTest, AnEffectThatIsItsOwnInputIsDrawnOnce) {
    Effect* effect = AddEffect(Fragment("uniform sampler2D tex;",
                                        "color = vec4(texture(tex, uv).rgb + vec3(0.0, 0.5, 0.0), 1.0);"));
    effect->input_effects = {effect};
    Add(new Event("e", effect, 0.0f, 1.0f));
    EXPECT_EQ(demo->Render(0.5f), effect);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 128, 0);  // its (empty) last capture plus green
}

TEST_F(RenderTest, ACycleThroughAnotherEffectIsBrokenAndDrawsOncePerChain) {
    Effect* a = AddEffect(Sampling("tex"));
    Effect* b = AddEffect(Solid(0, 0, 1));
    a->input_effects = {b};
    b->input_effects = {a};  // b would draw a, which would draw b ...
    Add(new Event("e", a, 0.0f, 1.0f));
    EXPECT_EQ(demo->Render(0.5f), a);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 0, 255);  // a shows b's capture
    b->Render();
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 0, 255);
}

TEST_F(RenderTest, AnInputEffectWithoutAProgramIsNeitherDrawnNorCaptured) {
    Effect* empty = Add(new Effect("untitled effect", nullptr, nullptr, nullptr, false));
    Effect* effect = AddEffect(Sampling("tex"));
    effect->input_effects = {empty};
    testgl::Clear(1, 1, 1, 1);
    effect->Render();
    EXPECT_EQ(empty->texture, 0u);
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 0, 0);
}

TEST_F(RenderTest, AnEffectWithAProgramButNoQuadDrawsNothing) {
    Effect* effect = Add(new Effect("e", nullptr, nullptr, nullptr, false));
    effect->program = Add(MakeProgram(Solid(1, 0, 0)));  // set without making the quad
    testgl::Clear(0, 1, 0, 1);
    effect->Render();
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 0, 255, 0);
    effect->CreateQuad();
    effect->Render();
    EXPECT_PIXEL_NEAR(ReadPixel(5, 5), 255, 0, 0);
}
