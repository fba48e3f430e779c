// The JSON form of a document: what each class writes, how a document is
// read back, and that a round trip changes nothing.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DocumentSamples.h"
#include "Documents.h"
#include "GLFixture.h"
#include "JSON.h"
#include "Playback.h"
#include "RenderHelpers.h"

namespace {

class DocumentJSONTest : public GLTest {};

std::unique_ptr<Demo> ReadText(const std::string& text) {
    JSON value = JSON::FromText(text);
    return std::unique_ptr<Demo>(new Demo(value));
}

std::string WriteText(const Demo& demo) { return demo.ToJSON().ToText(1, "  "); }

TEST_F(DocumentJSONTest, AnEmptyDocumentPrintsItsMembersInKeyOrder) {
    Demo demo;
    EXPECT_EQ(WriteText(demo),
              "{\n"
              "  \"beat_offset\" : 0.500000,\n"
              "  \"bpm\" : 130.000000,\n"
              "  \"effects\" : [],\n"
              "  \"end_beat\" : 480.000000,\n"
              "  \"events\" : [],\n"
              "  \"music\" : \"\",\n"
              "  \"shaders\" : [],\n"
              "  \"textures\" : []\n"
              "}");
}

TEST_F(DocumentJSONTest, AFullDocumentSurvivesARoundTripByteForByte) {
    samples::TempDir dir;
    std::unique_ptr<Demo> original(samples::MakeFullDemo(dir));
    std::string text = WriteText(*original);
    std::unique_ptr<Demo> copy = ReadText(text);
    EXPECT_EQ(WriteText(*copy), text);

    // The object graph comes back, not only the text.
    ASSERT_EQ(copy->effects.size(), 4u);
    ASSERT_EQ(copy->events.size(), 4u);
    ASSERT_EQ(copy->textures.size(), 2u);
    ASSERT_EQ(copy->shaders.size(), 2u);
    Effect* first = copy->effects[0];
    Effect* second = copy->effects[1];
    Effect* bare = copy->effects[2];
    Effect* fourth = copy->effects[3];
    ASSERT_EQ(first->input_textures.size(), 2u);
    EXPECT_EQ(first->input_textures[0], copy->textures[0]);
    EXPECT_EQ(first->input_textures[1], copy->textures[0]);
    EXPECT_TRUE(first->feedback);
    EXPECT_EQ(first->program, copy->shaders[0]);
    ASSERT_EQ(second->input_effects.size(), 3u);
    EXPECT_EQ(second->input_effects[0], first);
    EXPECT_EQ(second->input_effects[1], fourth);
    EXPECT_EQ(second->input_effects[2], nullptr);
    ASSERT_EQ(second->input_textures.size(), 2u);
    EXPECT_EQ(second->input_textures[1], nullptr);
    ASSERT_EQ(fourth->input_effects.size(), 1u);
    EXPECT_EQ(fourth->input_effects[0], second);
    EXPECT_EQ(bare->program, nullptr);
    EXPECT_EQ(bare->vao, 0u);
    EXPECT_NE(first->vao, 0u);
    EXPECT_NE(fourth->vao, 0u);
    EXPECT_EQ(copy->events[0]->effect, first);
    EXPECT_EQ(copy->events[2]->effect, nullptr);
    EXPECT_EQ(copy->events[3]->effect, bare);
    EXPECT_EQ(copy->events[1]->name, "m\xC3\xA4rz");

    // Bytes and images: the image decodes, the other bytes are kept as they are.
    EXPECT_EQ(copy->textures[0]->width, 2);
    EXPECT_NE(copy->textures[0]->id, 0u);
    EXPECT_EQ(copy->textures[1]->id, 0u);
    EXPECT_EQ(copy->textures[1]->width, 0);
    ASSERT_EQ(copy->textures[1]->image_buffer->length, 256u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(copy->textures[1]->image_buffer->data), 256),
              samples::AllByteValues());
    ASSERT_EQ(copy->music->length, original->music->length);
    EXPECT_EQ(0, std::memcmp(copy->music->data, original->music->data, original->music->length));

    const Automation& gain = copy->events[0]->automation.at("gain");
    EXPECT_EQ(gain.mode, 2u);
    EXPECT_TRUE(gain.repeat);
    ASSERT_EQ(gain.control_points.size(), 3u);
    EXPECT_FLOAT_EQ(gain.control_points[1].beat, 4.5f);
    EXPECT_FLOAT_EQ(gain.control_points[2].value, 0.125f);
    EXPECT_FLOAT_EQ(copy->bpm, 140.5f);
    EXPECT_FLOAT_EQ(copy->end_beat, 64.25f);
    EXPECT_FLOAT_EQ(copy->beat_offset, 0.25f);
    ASSERT_EQ(copy->shaders[0]->uniform_defs.size(), 2u);
    EXPECT_FLOAT_EQ(copy->shaders[0]->uniform_defs[0]->min_val, -1.5f);
    EXPECT_NE(copy->sound_texture, nullptr);
}

TEST_F(DocumentJSONTest, NullReferencesWriteTheEmptyNameAndReadBackAsNull) {
    Demo demo;
    Effect* effect = new Effect("lonely", nullptr, nullptr, nullptr, false);
    effect->input_effects.push_back(nullptr);
    effect->input_textures.push_back(nullptr);
    demo.effects.push_back(effect);
    demo.events.push_back(new Event("no effect", nullptr, 0.0f, 1.0f));
    Texture* target = new Texture(4, 4);  // no image bytes
    demo.textures.push_back(target);
    // Objects whose own name is empty must not capture the null references.
    ShaderProgram* unnamed_program = new ShaderProgram();
    unnamed_program->fragment_shader_filename = "";
    demo.shaders.push_back(unnamed_program);
    demo.effects.push_back(new Effect("", nullptr, nullptr, nullptr, false));
    Texture* unnamed_texture = new Texture(2, 2);
    unnamed_texture->name = "";
    demo.textures.push_back(unnamed_texture);

    JSON value = demo.ToJSON();
    EXPECT_EQ(value["effects"][0u]["program"].AsString(), "");
    EXPECT_EQ(value["effects"][0u]["effects"][0u].AsString(), "");
    EXPECT_EQ(value["events"][0u]["effect"].AsString(), "");
    EXPECT_EQ(value["textures"][0u]["image_buffer"].GetKind(), JSON::Kind::String);
    EXPECT_EQ(value["textures"][0u]["image_buffer"].AsString(), "");

    std::unique_ptr<Demo> copy(new Demo(value));
    EXPECT_EQ(copy->effects[0]->program, nullptr);
    ASSERT_EQ(copy->effects[0]->input_effects.size(), 1u);
    EXPECT_EQ(copy->effects[0]->input_effects[0], nullptr);
    EXPECT_EQ(copy->effects[0]->input_textures[0], nullptr);
    EXPECT_EQ(copy->events[0]->effect, nullptr);
    EXPECT_EQ(copy->textures[0]->image_buffer->length, 0u);
}

TEST_F(DocumentJSONTest, NamesThatMatchNothingReadAsNull) {
    std::unique_ptr<Demo> demo = ReadText(R"({
        "effects": [{"name": "a", "program": "missing.frag", "textures": ["nope", "nope"],
                     "effects": ["ghost"], "feedback": true}],
        "events": [{"name": "e", "effect": "unknown", "start_beat": 0.0, "end_beat": 1.0}]
    })");
    ASSERT_EQ(demo->effects.size(), 1u);
    Effect* effect = demo->effects[0];
    EXPECT_EQ(effect->program, nullptr);
    EXPECT_EQ(effect->vao, 0u);  // no program, no quad
    EXPECT_EQ(effect->input_textures, (std::vector<Texture*>{nullptr, nullptr}));
    EXPECT_EQ(effect->input_effects, (std::vector<Effect*>{nullptr}));
    EXPECT_TRUE(effect->feedback);
    ASSERT_EQ(demo->events.size(), 1u);
    EXPECT_EQ(demo->events[0]->effect, nullptr);
    EXPECT_TRUE(demo->events[0]->automation.empty());
}

TEST_F(DocumentJSONTest, NumbersReadWhetherWrittenWithOrWithoutAFraction) {
    std::unique_ptr<Demo> demo = ReadText(R"({
        "bpm": 120, "end_beat": 8.5, "beat_offset": -1,
        "shaders": [{"fragment_shader_filename": "f", "uniform_defs": [{"name": "u", "min_val": -3, "default_val": 2}]}],
        "events": [{"name": "e", "start_beat": 2, "end_beat": 4.0, "control_points": {
            "a": {"mode": 2.0, "control_points": [{"beat": 1, "value": 3}]},
            "b": {"mode": 2},
            "c": {"repeat": true, "control_points": 7}
        }}]
    })");
    EXPECT_FLOAT_EQ(demo->bpm, 120.0f);
    EXPECT_FLOAT_EQ(demo->end_beat, 8.5f);
    EXPECT_FLOAT_EQ(demo->beat_offset, -1.0f);
    UniformDef* def = demo->shaders[0]->uniform_defs[0];
    EXPECT_FLOAT_EQ(def->min_val, -3.0f);
    EXPECT_FLOAT_EQ(def->max_val, 0.0f);  // missing reads 0, not the constructor's 1
    EXPECT_FLOAT_EQ(def->default_val, 2.0f);
    Event* event = demo->events[0];
    EXPECT_FLOAT_EQ(event->start_beat, 2.0f);
    EXPECT_EQ(event->automation["a"].mode, 2u);
    ASSERT_EQ(event->automation["a"].control_points.size(), 1u);
    EXPECT_FLOAT_EQ(event->automation["a"].control_points[0].beat, 1.0f);
    EXPECT_FLOAT_EQ(event->automation["a"].control_points[0].value, 3.0f);
    EXPECT_EQ(event->automation["b"].mode, 2u);
    EXPECT_EQ(event->automation["c"].mode, 0u);  // a curve without "mode" reads 0
    EXPECT_TRUE(event->automation["c"].repeat);
    EXPECT_TRUE(event->automation["c"].control_points.empty());
}

TEST_F(DocumentJSONTest, MissingOrNonArrayListsReadAsEmptyLists) {
    std::unique_ptr<Demo> demo = ReadText(R"({"textures": 5, "shaders": "x", "effects": {"a": 1}})");
    EXPECT_TRUE(demo->textures.empty());
    EXPECT_TRUE(demo->shaders.empty());
    EXPECT_TRUE(demo->effects.empty());
    EXPECT_TRUE(demo->events.empty());
    EXPECT_EQ(demo->music->length, 0u);
    EXPECT_FLOAT_EQ(demo->bpm, 0.0f);  // a missing float reads 0, as any missing member

    std::unique_ptr<Demo> bare = ReadText(R"({"effects": [{"name": "a"}]})");
    ASSERT_EQ(bare->effects.size(), 1u);
    EXPECT_TRUE(bare->effects[0]->input_textures.empty());
    EXPECT_TRUE(bare->effects[0]->input_effects.empty());

    std::unique_ptr<Demo> not_an_object = ReadText("[1, 2, 3]");
    EXPECT_TRUE(not_an_object->events.empty());
    EXPECT_NE(not_an_object->sound_texture, nullptr);
}

TEST_F(DocumentJSONTest, EveryEventIsReadWhateverTheNumberOfEffects) {
    std::unique_ptr<Demo> demo = ReadText(R"({
        "effects": [{"name": "a"}, {"name": "b"}, {"name": "c"}],
        "events": [{"name": "1", "effect": "c"}]
    })");
    EXPECT_EQ(demo->effects.size(), 3u);
    ASSERT_EQ(demo->events.size(), 1u);
    EXPECT_EQ(demo->events[0]->effect, demo->effects[2]);

    std::unique_ptr<Demo> more = ReadText(R"({
        "effects": [{"name": "a"}],
        "events": [{"name": "1", "effect": "a"}, {"name": "2", "effect": "a"}, {"name": "3"}]
    })");
    ASSERT_EQ(more->events.size(), 3u);
    EXPECT_EQ(more->events[1]->effect, more->effects[0]);
    EXPECT_EQ(more->events[2]->effect, nullptr);
}

TEST_F(DocumentJSONTest, ALaterNameWinsButEachEffectKeepsItsOwnInputs) {
    std::unique_ptr<Demo> demo = ReadText(R"({
        "shaders": [{"fragment_shader_filename": "p.frag", "vertex_shader_source": "x"},
                    {"fragment_shader_filename": "p.frag", "vertex_shader_source": "y"}],
        "effects": [{"name": "twin", "program": "p.frag", "effects": ["other"]},
                    {"name": "twin", "program": "p.frag", "effects": ["twin"]},
                    {"name": "other", "effects": ["twin"]}],
        "events": [{"name": "e", "effect": "twin"}]
    })");
    ASSERT_EQ(demo->effects.size(), 3u);
    Effect* earlier = demo->effects[0];
    Effect* later = demo->effects[1];
    EXPECT_EQ(earlier->program, demo->shaders[1]);
    EXPECT_EQ(earlier->input_effects, (std::vector<Effect*>{demo->effects[2]}));
    EXPECT_EQ(later->input_effects, (std::vector<Effect*>{later}));
    EXPECT_EQ(demo->effects[2]->input_effects, (std::vector<Effect*>{later}));
    EXPECT_EQ(demo->events[0]->effect, later);
    EXPECT_NE(earlier->vao, 0u);
    EXPECT_NE(later->vao, 0u);
    EXPECT_NE(earlier->vao, later->vao);
}

TEST_F(DocumentJSONTest, ACurveMadeByALookupIsWrittenEmptyLinearWithoutRepeat) {
    Event event("e", nullptr, 0.0f, 4.0f);
    event.GetValue("made", 1.0f);
    JSON value = event.ToJSON();
    JSON& curve = value["control_points"]["made"];
    EXPECT_EQ(curve["control_points"].Count(), 0);
    EXPECT_EQ(curve["control_points"].GetKind(), JSON::Kind::Array);
    EXPECT_EQ(curve["mode"].GetKind(), JSON::Kind::Integer);
    EXPECT_EQ(curve["mode"].AsInt(), 1);
    EXPECT_FALSE(curve["repeat"].AsBool());

    std::map<std::string, Effect*> no_effects;
    Event copy(value, no_effects);
    ASSERT_EQ(copy.automation.count("made"), 1u);
    EXPECT_EQ(copy.automation["made"].mode, 1u);
    EXPECT_TRUE(copy.automation["made"].control_points.empty());
}

// Curve names are member names, which the JSON writer prints as they stand.
TEST_F(DocumentJSONTest, ACurveNameWithQuotesAndBackslashesSurvivesSaveAndLoad) {
    const std::string name = "say \"hi\" \\ there";
    Demo demo;
    demo.events.push_back(new Event("e", nullptr, 0.0f, 4.0f));
    demo.events[0]->automation[name].control_points = {ControlPoint(0.0f, 1.0f)};
    std::unique_ptr<Demo> copy = ReadText(WriteText(demo));
    ASSERT_EQ(copy->events.size(), 1u);
    EXPECT_EQ(copy->events[0]->automation.count(name), 1u);
}

TEST_F(DocumentJSONTest, ByteBuffersAreOneBase64StringAndNonStringsReadEmpty) {
    ByteBuffer bytes("\xFB\xFF", 2);
    JSON value = bytes.ToJSON();
    EXPECT_EQ(value.GetKind(), JSON::Kind::String);
    EXPECT_EQ(value.AsString(), "+/8=");
    JSON number(12);
    ByteBuffer from_number(number);
    EXPECT_EQ(from_number.length, 0u);
    JSON text("Zm9vYmFy");
    ByteBuffer decoded(text);
    ASSERT_EQ(decoded.length, 6u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(decoded.data), 6), "foobar");
}

/* === Images that are refused ============================================= */

using DocumentPlaybackTest = testrender::RenderTest;

// Each document shows its one texture with green added: a refused image
// keeps its bytes, says why, and the event still plays, green alone.
TEST_F(DocumentPlaybackTest, AnImageTooLargeOrDamagedLoadsUndecodedWithItsBytesAndTheDocumentPlays) {
    const std::pair<const char*, const char*> cases[] = {
        {"image-claim-bmp.json",
         "resources\\claim.bmp: the image claims 2 \xC3\x97 400000000 pixels, more than a texture may hold\n"},
        {"image-long-chunk-png.json", "resources\\blue.png: the image is damaged: chunk gAMA runs past its end\n"},
    };
    for (const auto& c : cases) {
        std::string path = VELMARA_SOURCE_DIR "/fuzz/corpus/document/" + std::string(c.first);
        std::string error;
        testing::internal::CaptureStderr();
        Demo* loaded = LoadDemoJSON(path, &error);
        EXPECT_NE(testing::internal::GetCapturedStderr().find(c.second), std::string::npos) << c.first;
        ASSERT_NE(loaded, nullptr) << error;
        delete demo;
        demo = g_demo = loaded;
        ASSERT_EQ(demo->textures.size(), 1u);
        EXPECT_EQ(demo->textures[0]->id, 0u);
        JSON saved = JSON::FromText(samples::ReadFile(path));
        EXPECT_EQ(demo->textures[0]->ToJSON()["image_buffer"].AsString(),
                  saved["textures"][0u]["image_buffer"].AsString());  // the bytes are kept
        EXPECT_EQ(demo->Render(1.0f), demo->effects[0]);
        EXPECT_PIXEL_NEAR(testgl::ReadPixel(5, 5), 0, 255, 0);
    }
}

/* === Loads that fail ====================================================== */

TEST_F(DocumentJSONTest, InvalidBase64RefusesTheLoadAndLeavesTheLoopedEventAlone) {
    samples::TempDir dir;
    Event looped("looped", nullptr, 0.0f, 4.0f);
    g_loop_event = &looped;
    for (const char* text : {R"({"music": "not base64!"})",
                             R"({"textures": [{"name": "t", "image_buffer": "Z"}], "music": ""})"}) {
        samples::WriteFile(dir.File("bad.json"), text);
        std::string error;
        Demo* demo = LoadDemoJSON(dir.File("bad.json"), &error);
        EXPECT_EQ(demo, nullptr) << text;
        EXPECT_NE(error.find("Input is not valid base64-encoded data."), std::string::npos) << error;
        EXPECT_EQ(g_loop_event, &looped);
    }
    g_loop_event = nullptr;
}

TEST_F(DocumentJSONTest, AFileThatCannotBeReadIsAFailedLoad) {
    samples::TempDir dir;
    std::string error;
    EXPECT_EQ(LoadDemoJSON(dir.File("absent.json"), &error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST_F(DocumentJSONTest, SavingAndLoadingAFileKeepsTheText) {
    samples::TempDir dir;
    std::unique_ptr<Demo> original(samples::MakeFullDemo(dir));
    ASSERT_TRUE(SaveDemoJSON(*original, dir.File("doc.demo.json")));
    std::string saved = samples::ReadFile(dir.File("doc.demo.json"));
    EXPECT_EQ(saved, WriteText(*original));  // no line feed after the last brace
    std::string error;
    std::unique_ptr<Demo> loaded(LoadDemoJSON(dir.File("doc.demo.json"), &error));
    ASSERT_NE(loaded, nullptr) << error;
    EXPECT_EQ(WriteText(*loaded), saved);
    EXPECT_FALSE(SaveDemoJSON(*original, dir.File("no/such/dir/doc.json")));
}

}  // namespace
