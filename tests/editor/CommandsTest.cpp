// The editor's commands through the menus and shortcuts: loads that keep
// the document when they fail, saves that never report a failure as saved
// and leave the old file whole, the stand-alone export, and the export of
// video frames with its stop button.
#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "Commands.h"
#include "ByteBuffer.h"
#include "Demo.h"
#include "DocumentSamples.h"
#include "Documents.h"
#include "EditorHarness.h"
#include "EditorState.h"
#include "Effect.h"
#include "Event.h"
#include "Files.h"
#include "MusicPlayer.h"
#include "PNGEncoder.h"
#include "Playback.h"
#include "ReadBack.h"
#include "ShaderProgram.h"
#include "TextFields.h"
#include "Texture.h"

using edtest::EditorTest;
using edtest::kMain;

namespace {

bool IsFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The colour at the middle of a PNG file.
SDL_Color PixelOfImage(const std::string& path) {
    SDL_Color colour = {0, 0, 0, 0};
    SDL_Surface* image = IMG_Load(path.c_str());
    if (image == nullptr) return colour;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(image, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(image);
    const uint8_t* pixel = static_cast<uint8_t*>(rgba->pixels) + (rgba->h / 2) * rgba->pitch + (rgba->w / 2) * 4;
    colour = {pixel[0], pixel[1], pixel[2], pixel[3]};
    SDL_FreeSurface(rgba);
    return colour;
}

// The video export's frame save, as the program does it, until frame 3,
// whose save fails as it would on a full disk.
bool SaveFramesUntilTheThird(const char* path, const void* data, uint64_t length, std::string* error,
                             std::string* note) {
    if (std::string(path) == "render/00003.png") {
        *error = "No space left on device";
        return false;
    }
    return WriteWholeFile(path, data, length, error, note);
}

// The entries of a folder.
std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Gives the current document music holding bytes.
void SetMusic(const std::string& bytes) {
    delete g_demo->music;
    g_demo->music = new ByteBuffer(bytes.data(), bytes.size());
}

// The RGBA bytes of an image, top row first; empty when there is none.
std::vector<uint8_t> RGBAOf(SDL_Surface* image) {
    std::vector<uint8_t> bytes;
    if (image == nullptr) return bytes;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(image, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(image);
    if (rgba == nullptr) return bytes;
    for (int y = 0; y < rgba->h; ++y) {
        const uint8_t* row = static_cast<uint8_t*>(rgba->pixels) + y * rgba->pitch;
        bytes.insert(bytes.end(), row, row + rgba->w * 4);
    }
    SDL_FreeSurface(rgba);
    return bytes;
}

// A spot that crosses the screen from left to right between beats 0 and
// 0.5, drawn over its own last picture a little darkened: a trail, opaque.
void AddTrailEvent() {
    ShaderProgram* program = new ShaderProgram();
    program->fragment_shader_filename = "resources\\trail.frag";
    program->fragment_shader_source =
        "#version 150\nuniform sampler2D tex;\nuniform float beat;\nuniform vec2 resolution;\nout vec4 colour;\n"
        "void main() {\n  vec2 uv = gl_FragCoord.xy / resolution;\n"
        "  float spot = abs(uv.x - 2.0 * beat) < 0.1 ? 1.0 : 0.0;\n"
        "  colour = vec4(max(texture(tex, uv).rgb * 0.95, vec3(spot)), 1.0);\n}\n";
    program->Relink();
    g_demo->shaders.push_back(program);
    Effect* effect = new Effect("trail", program, nullptr, nullptr, true);
    g_demo->effects.push_back(effect);
    g_demo->events.push_back(new Event("trail", effect, 0.0f, 100.0f));
}

}  // namespace

TEST_F(EditorTest, SavesAndLoadsKeepTheDocumentWhenTheyFailAndSayWhy) {
    AddSolidEvent("red", 1, 0, 0, 0, 8);
    const std::string wav = samples::MakeWav(48000, 1000);
    SetMusic(wav);
    Demo* original = g_demo;

    // Ctrl+S writes the name with ".json"; Save BIN writes the name itself.
    Frame(SDLK_s);
    EXPECT_EQ(GetStatusMessage(), "Saved untitled.demo.json");
    EXPECT_TRUE(IsFile("untitled.demo.json"));
    PressMenuItem("File", "Save BIN");
    EXPECT_EQ(GetStatusMessage(), "Saved untitled.demo");
    EXPECT_TRUE(IsFile("untitled.demo"));

    // A save that cannot be written: the name is a directory, or its
    // directory is missing. Never "Saved", and the old file stays.
    std::string old_text = dir->Read("untitled.demo.json");
    ASSERT_EQ(mkdir("taken.json", 0755), 0);
    std::snprintf(g_document_name, sizeof g_document_name, "taken");
    Frame(SDLK_s);
    EXPECT_EQ(GetStatusMessage().rfind("Cannot save taken.json: ", 0), 0u) << GetStatusMessage();
    std::snprintf(g_document_name, sizeof g_document_name, "missing/untitled.demo");
    PressMenuItem("File", "Save BIN");
    EXPECT_EQ(GetStatusMessage().rfind("Cannot save missing/untitled.demo: ", 0), 0u) << GetStatusMessage();
    EXPECT_EQ(dir->Read("untitled.demo.json"), old_text);

    // Loads of a missing file, a damaged package and a directory keep the
    // document and never say "Loaded"; the system's reason says why.
    Frame(SDLK_l);
    EXPECT_EQ(GetStatusMessage().rfind("Cannot load missing/untitled.demo.json: ", 0), 0u) << GetStatusMessage();
    std::string package = dir->Read("untitled.demo");
    ASSERT_TRUE(dir->Write("damaged.demo", package.substr(0, package.size() / 2)));
    std::snprintf(g_document_name, sizeof g_document_name, "damaged.demo");
    PressMenuItem("File", "Load BIN");
    EXPECT_EQ(GetStatusMessage().rfind("Cannot load damaged.demo: ", 0), 0u) << GetStatusMessage();
    std::snprintf(g_document_name, sizeof g_document_name, "taken");
    Frame(SDLK_l);
    EXPECT_EQ(GetStatusMessage(), "Cannot load taken.json: Is a directory");
    std::snprintf(g_document_name, sizeof g_document_name, "taken.json");
    PressMenuItem("File", "Load BIN");
    EXPECT_EQ(GetStatusMessage(), "Cannot load taken.json: Is a directory");
    {
        // A FIFO would hold the load until something writes to it: it is
        // refused at once (the guard lets a waiting load go after 2 s).
        testutil::FifoGuard fifo(dir->File("fifo.json"));
        ASSERT_TRUE(fifo.Made());
        std::snprintf(g_document_name, sizeof g_document_name, "fifo");
        Frame(SDLK_l);
        EXPECT_EQ(GetStatusMessage(), "Cannot load fifo.json: it is not a regular file");
        EXPECT_FALSE(fifo.Rescued()) << "Load JSON waited for a writer";
        EXPECT_EQ(g_demo, original);
    }
    // Bytes in no music format Velmara reads are refused: the old music stays.
    ASSERT_TRUE(dir->Write("music.mp3", "these bytes read well but are no music at all"));
    PressMenuItem("File", "Import music.mp3");
    EXPECT_EQ(GetStatusMessage(),
              "Cannot import music.mp3: not a music format Velmara reads (MP3, Ogg, FLAC, WAV, AIFF)");
    EXPECT_TRUE(std::string(reinterpret_cast<const char*>(g_demo->music->data), g_demo->music->length) == wav);
    EXPECT_EQ(g_demo, original);

    // A load that works replaces the document from the next frame on; the
    // looped event is cleared, the camera and the volume stay, and the new
    // document plays from its start.
    g_loop_event = g_demo->events[0];
    g_camera_position[0] = 3.0f;
    __atomic_store_n(&g_volume, 17, __ATOMIC_RELAXED);
    Press(Id(kMain, {"Pause"}));
    ASSERT_TRUE(g_demo->paused);
    uint32_t generation = g_document_generation;
    std::snprintf(g_document_name, sizeof g_document_name, "untitled.demo");
    PressMenuItem("File", "Load BIN");
    EXPECT_EQ(GetStatusMessage(), "Loaded untitled.demo");
    EXPECT_NE(g_demo, original);
    EXPECT_EQ(g_document_generation, generation + 1);
    EXPECT_EQ(g_loop_event, nullptr);
    EXPECT_FALSE(g_demo->paused);
    EXPECT_TRUE(MusicPlaying());  // the loaded music plays, not paused
    EXPECT_FALSE(MusicPaused());
    EXPECT_EQ(g_camera_position[0], 3.0f);
    EXPECT_EQ(__atomic_load_n(&g_volume, __ATOMIC_RELAXED), 17);
    ASSERT_EQ(g_demo->events.size(), 1u);
    EXPECT_EQ(g_demo->events[0]->name, "red");
    Frame(SDLK_l);
    EXPECT_EQ(GetStatusMessage(), "Loaded untitled.demo.json");
    EXPECT_EQ(g_document_generation, generation + 2);

    // The longest name the field takes saves and loads back.
    std::string longest(254, 'd');
    std::snprintf(g_document_name, sizeof g_document_name, "%s", longest.c_str());
    PressMenuItem("File", "Save BIN");
    EXPECT_EQ(GetStatusMessage(), "Saved " + longest);
    PressMenuItem("File", "Load BIN");
    EXPECT_EQ(GetStatusMessage(), "Loaded " + longest);
    EXPECT_EQ(g_document_generation, generation + 3);
    std::snprintf(g_document_name, sizeof g_document_name, "untitled.demo");

    // A document whose music is refused loads, keeps the bytes and says why.
    const std::string noise = "no music in here, just words";
    SetMusic(noise);
    PressMenuItem("File", "Save BIN");
    PressMenuItem("File", "Load BIN");
    EXPECT_EQ(GetStatusMessage(), "Loaded untitled.demo; music: not a music format Velmara reads (MP3, Ogg, FLAC, WAV, AIFF)");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(g_demo->music->data), g_demo->music->length), noise);
    EXPECT_FALSE(MusicPlaying());
}

TEST_F(EditorTest, LoadJsonKeepsTheDocumentWhenTheTextDoesNotReadCleanlyAndSaysWhy) {
    AddSolidEvent("red", 1, 0, 0, 0, 8);
    SetMusic(samples::MakeWav(48000, 1000));
    Demo* original = g_demo;
    uint32_t generation = g_document_generation;
    std::snprintf(g_document_name, sizeof g_document_name, "kept");
    Frame(SDLK_s);
    const std::string saved = dir->Read("kept.json");
    ASSERT_FALSE(saved.empty());

    // The save cut inside the music's base64 text.
    const size_t music = saved.find("\"music\"");
    ASSERT_NE(music, std::string::npos);
    const std::string cut = saved.substr(0, music + 40);
    auto line_of = [](const std::string& text, size_t offset) {
        return std::to_string(1 + std::count(text.begin(), text.begin() + std::ptrdiff_t(offset), '\n'));
    };
    const std::string cut_line = line_of(cut, cut.size());
    // A stray brace after the tempo: the reader stops there without a word.
    const size_t bpm_comma = saved.find(',', saved.find("\"bpm\""));
    ASSERT_NE(bpm_comma, std::string::npos);
    const std::string stray = saved.substr(0, bpm_comma) + "}" + saved.substr(bpm_comma);
    const std::pair<std::string, std::string> refused[] = {
        {"", "the file is empty"},
        {" \n\t\r\v\f ", "the file is empty"},
        {"hello world", "line 1: Parse: Unknown starting character, found 'h'"},
        {"\xEF\xBB\xBF" + saved, "line 1: Parse: Unknown starting character, found '\\xEF'"},
        {"[]", "it is not a document"},
        {"true", "it is not a document"},
        {"{}", "it is not a document"},
        {"{\"a\": 1}", "it is not a document"},
        {stray, "line " + line_of(stray, bpm_comma + 1) + ": text follows the end of the document"},
        {"{}\n" + saved, "line 2: text follows the end of the document"},
        {"[] {}", "line 1: text follows the end of the document"},
        {"[1 2] x", "line 1: Array: Expected ',' or ']', found '2'"},
        {cut, "line " + cut_line + ": String: Expected closing quote, found the end of the text"},
        {"{\"bpm\": 99", "line 1: Number: unexpected character, found the end of the text"},
        {"{\n\"bpm\": 99.0\n\"end_beat\": 8.0}", "line 3: Object: Expected comma, found '\"'"},
        {"{\"bpm\" 99.0}", "line 1: Object: Expected colon, found '9'"},
    };
    std::snprintf(g_document_name, sizeof g_document_name, "bad");
    for (const auto& [text, reason] : refused) {
        ASSERT_TRUE(dir->Write("bad.json", text));
        Frame(SDLK_l);
        EXPECT_EQ(GetStatusMessage(), "Cannot load bad.json: " + reason) << text.substr(0, 80);
        EXPECT_TRUE(IsValidUtf8(GetStatusMessage()));
        EXPECT_EQ(g_demo, original);
        EXPECT_EQ(g_document_generation, generation);
    }
    std::snprintf(g_document_name, sizeof g_document_name, "kept");
    Frame(SDLK_s);
    EXPECT_TRUE(dir->Read("kept.json") == saved) << "the document changed";

    // An object with some of the document's members and others loads, white space after it included.
    std::snprintf(g_document_name, sizeof g_document_name, "bad");
    ASSERT_TRUE(dir->Write("bad.json", " {\"bpm\": 99.0, \"comment\": \"mine\"}\n\n "));
    Frame(SDLK_l);
    EXPECT_EQ(GetStatusMessage(), "Loaded bad.json");
    EXPECT_NE(g_demo, original);
    EXPECT_EQ(g_demo->bpm, 99.0f);
    EXPECT_TRUE(g_demo->events.empty());
}

TEST_F(EditorTest, SaveJsonSaysEveryKindOfLinkTheJsonFormCannotKeep) {
    // The status line shows the whole message: every character of it is drawn in the main menu bar
    // of the 1280-pixel-wide screen.
    auto shown_whole = [this](const std::string& message) {
        Frame();
        std::string drawn = DrawnText("##MainMenuBar");
        std::string glyphs = message;
        glyphs.erase(std::remove(glyphs.begin(), glyphs.end(), ' '), glyphs.end());
        return drawn.size() >= glyphs.size() && drawn.compare(drawn.size() - glyphs.size(), glyphs.size(), glyphs) == 0;
    };
    // Two events named "twin": their effects share the name, and their programs the file name.
    AddSolidEvent("twin", 1, 0, 0, 0, 8);
    AddSolidEvent("twin", 0, 1, 0, 8, 16);
    Frame(SDLK_s);
    EXPECT_EQ(GetStatusMessage(),
              "Saved untitled.demo.json; two effects are named \"twin\" and two shader programs \"resources\\twin.frag\"");
    EXPECT_TRUE(IsFile("untitled.demo.json"));

    // An unnamed effect that nothing uses loses nothing; one that an event shows loses its link, as the
    // empty name reads as no effect.
    g_demo->effects.push_back(new Effect("", g_demo->shaders[0], nullptr, nullptr, false));
    g_demo->shaders[1]->fragment_shader_filename = "resources\\green.frag";
    Frame(SDLK_s);
    EXPECT_EQ(GetStatusMessage(), "Saved untitled.demo.json; two effects are named \"twin\"");
    g_demo->effects[1]->name.clear();
    Frame(SDLK_s);
    EXPECT_EQ(GetStatusMessage(),
              "Saved untitled.demo.json; an effect has no name, so the JSON form keeps no link to it");
    AddSolidEvent("twin", 0, 0, 1, 16, 24);
    Frame(SDLK_s);
    std::string message = "Saved untitled.demo.json; two effects are named \"twin\" and two shader programs "
              "\"resources\\twin.frag\"; a link to an unnamed effect is lost";
    EXPECT_EQ(GetStatusMessage(), message);
    EXPECT_TRUE(shown_whole(message)) << DrawnText("##MainMenuBar");

    // An effect using an unnamed program and an unnamed texture: both links are said lost.
    samples::WriteFile(dir->File("dot.bmp"), samples::MakeBmp());
    auto add_texture = [this](const std::string& name) {
        g_demo->textures.push_back(new Texture(dir->File("dot.bmp").c_str()));
        g_demo->textures.back()->name = name;
        return g_demo->textures.back();
    };
    ReplaceDocument(new Demo());
    Frame();
    AddSolidEvent("plain", 1, 0, 0, 0, 8)->effect->input_textures.push_back(add_texture(""));
    g_demo->shaders[0]->fragment_shader_filename.clear();
    Frame(SDLK_s);
    message = "Saved untitled.demo.json; a shader program and a texture have no name, so the JSON form "
                          "keeps no link to them";
    EXPECT_EQ(GetStatusMessage(), message);
    EXPECT_TRUE(shown_whole(message)) << DrawnText("##MainMenuBar");

    // Two effects named "mix" and two programs sharing a file name.
    ReplaceDocument(new Demo());
    Frame();
    AddSolidEvent("mix", 1, 0, 0, 0, 8);
    AddSolidEvent("mix", 0, 1, 0, 8, 16);
    Frame(SDLK_s);
    message = "Saved untitled.demo.json; two effects are named \"mix\" and two shader programs \"resources\\mix.frag\"";
    EXPECT_EQ(GetStatusMessage(), message);
    EXPECT_TRUE(shown_whole(message)) << DrawnText("##MainMenuBar");

    // Every kind of each note, in the code's order, shown whole.
    add_texture("dot");
    add_texture("dot");
    Frame(SDLK_s);
    message = "Saved untitled.demo.json; two effects are named \"mix\", two shader programs \"resources\\mix.frag\" and "
              "two textures \"dot\"";
    EXPECT_EQ(GetStatusMessage(), message);
    EXPECT_TRUE(shown_whole(message)) << DrawnText("##MainMenuBar");
    Event* unnamed = AddSolidEvent("", 0, 0, 1, 16, 24);
    unnamed->effect->input_textures.push_back(add_texture(""));
    g_demo->shaders.back()->fragment_shader_filename.clear();
    Frame(SDLK_s);
    // With both notes at their longest there is no room for the names: each kind is still said.
    message = "Saved untitled.demo.json; two effects, two programs and two textures share names; links to an "
              "unnamed effect, program and texture are lost";
    EXPECT_EQ(GetStatusMessage(), message);
    EXPECT_TRUE(shown_whole(message)) << DrawnText("##MainMenuBar");
    g_demo->effects[1]->name = "mix 2";
    g_demo->shaders[1]->fragment_shader_filename = "resources\\mix 2.frag";
    g_demo->textures[1]->name = "dot 2";
    Frame(SDLK_s);
    message = "Saved untitled.demo.json; an effect, a shader program and a texture have no name, so the JSON form "
              "keeps no link to them";
    EXPECT_EQ(GetStatusMessage(), message);
    EXPECT_TRUE(shown_whole(message)) << DrawnText("##MainMenuBar");
}

TEST_F(EditorTest, ExportExecutableIsSilentWhenItWorksAndSaysWhyWhenItFails) {
    g_exe_path = VELMARA_EXE;
    PressMenuItem("File", "Export Executable");
    EXPECT_EQ(GetStatusMessage(), "");
    std::string error;
    Demo* player = LoadAppendedPackage("demo.exe", &error);
    EXPECT_NE(player, nullptr) << error;
    delete player;

    g_exe_path = "no-such-program";
    PressMenuItem("File", "Export Executable");
    EXPECT_EQ(GetStatusMessage().rfind("Cannot export demo.exe: ", 0), 0u) << GetStatusMessage();
    g_exe_path = nullptr;
}

TEST_F(EditorTest, VideoFramesAreWrittenOnePerFrameUntilTheEndBeatOrTheStopButton) {
    g_demo->bpm = 120.0f;
    g_demo->end_beat = 4.0f;
    g_demo->beat_offset = 0.0f;
    AddSolidEvent("red", 1, 0, 0, 0, 2);
    AddSolidEvent("green", 0, 1, 0, 2, 100);
    ASSERT_EQ(mkdir("render", 0755), 0);
    g_demo->paused = true;
    PressMenuItem("File", "Export Videoframes");
    EXPECT_EQ(g_export_frame, 0);
    EXPECT_FALSE(g_demo->paused);  // exporting plays
    int frames = 0;
    while (g_export_frame >= 0 && frames < 200) {
        EXPECT_TRUE(Frame(SDLK_q));  // no shortcut acts while frames are written
        ++frames;
    }
    EXPECT_FALSE(g_quit);
    // 60 frames per second at 120 bpm: frame n is beat n / 30, so 0 to 120.
    EXPECT_EQ(frames, 122);  // the last step only finds the end
    EXPECT_TRUE(IsFile("render/00000.png"));
    EXPECT_TRUE(IsFile("render/00120.png"));
    EXPECT_FALSE(IsFile("render/00121.png"));
    SDL_Color first = PixelOfImage("render/00000.png");
    SDL_Color last = PixelOfImage("render/00120.png");
    EXPECT_GT(first.r, 200);
    EXPECT_LT(first.g, 50);
    EXPECT_GT(last.g, 200);
    EXPECT_LT(last.r, 50);
    EXPECT_TRUE(Frame());  // editing again
    EXPECT_NE(Window(kMain), nullptr);

    // "Stop Rendering!" pressed in the frame that writes frame 7.
    ASSERT_EQ(system("rm -r render && mkdir render"), 0);
    PressMenuItem("File", "Export Videoframes");
    Frames(7);
    EXPECT_EQ(g_export_frame, 7);
    Press(Id(kMain, {"Stop Rendering!"}));
    EXPECT_EQ(g_export_frame, -1);
    EXPECT_TRUE(IsFile("render/00007.png"));
    EXPECT_FALSE(IsFile("render/00008.png"));

    // Without the "render" directory the first frame stops the export.
    ASSERT_EQ(system("rm -r render"), 0);
    PressMenuItem("File", "Export Videoframes");
    Frame();
    EXPECT_EQ(g_export_frame, -1);
    EXPECT_EQ(GetStatusMessage(), "Cannot write render/00000.png: there is no folder \"render\"");

    // A frame that cannot be saved whole stops the export with the save's reason, and leaves no file
    // of it, empty or cut.
    ASSERT_EQ(mkdir("render", 0755), 0);
    g_write_frame_file = SaveFramesUntilTheThird;
    PressMenuItem("File", "Export Videoframes");
    Frames(4);
    g_write_frame_file = WriteWholeFile;
    EXPECT_EQ(g_export_frame, -1);
    EXPECT_EQ(GetStatusMessage(), "Cannot write render/00003.png: No space left on device");
    EXPECT_EQ(EntriesOf("render"), (std::vector<std::string>{"00000.png", "00001.png", "00002.png"}));
    EXPECT_GT(PixelOfImage("render/00002.png").r, 200);

    // A frame made in memory is the very file the encoder writes: a picture of noise, larger than
    // any first block a buffer takes.
    SDL_Surface* noise = SDL_CreateRGBSurfaceWithFormat(0, 1280, 720, 24, SDL_PIXELFORMAT_RGB24);
    ASSERT_NE(noise, nullptr);
    uint32_t state = 12345;
    for (int y = 0; y < noise->h; ++y) {
        uint8_t* row = static_cast<uint8_t*>(noise->pixels) + y * noise->pitch;
        for (int x = 0; x < noise->w * 3; ++x) row[x] = static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    }
    std::string png, error;
    EXPECT_TRUE(EncodePNG(noise, &png, &error)) << error;
    ASSERT_EQ(IMG_SavePNG(noise, "noise.png"), 0);
    SDL_FreeSurface(noise);
    EXPECT_GT(png.size(), 2000000u);
    EXPECT_TRUE(png == dir->Read("noise.png"));

    // A tempo of 0 or an end beat that is no number never starts.
    g_demo->bpm = 0.0f;
    PressMenuItem("File", "Export Videoframes");
    EXPECT_EQ(g_export_frame, -1);
    EXPECT_EQ(GetStatusMessage(), "Cannot export video frames: the tempo is not above 0");
    g_demo->bpm = 120.0f;
    g_demo->end_beat = std::nanf("");
    PressMenuItem("File", "Export Videoframes");
    EXPECT_EQ(g_export_frame, -1);
    EXPECT_EQ(GetStatusMessage(), "Cannot export video frames: the end beat is not a number");
}

TEST_F(EditorTest, VideoFramesShowFeedbackAsThePlayerDoesWhateverTheEditingShowedBefore) {
    g_demo->bpm = 120.0f;
    g_demo->end_beat = 0.5f;  // frames 0 to 15
    g_demo->beat_offset = 0.0f;
    AddTrailEvent();
    ASSERT_TRUE(g_demo->shaders[0]->linked) << g_demo->shaders[0]->log;
    // Each export follows some editing, with the Viewport showing another beat.
    auto export_after_editing_at = [&](float beat, const char* folder) {
        g_demo->paused = true;
        g_beat = beat;
        Frames(3);
        ASSERT_EQ(mkdir("render", 0755), 0);
        PressMenuItem("File", "Export Videoframes");
        for (int frames = 0; g_export_frame >= 0 && frames < 40; ++frames) Frame();
        ASSERT_EQ(g_export_frame, -1);
        ASSERT_EQ(rename("render", folder), 0);
    };
    export_after_editing_at(0.3f, "first");
    export_after_editing_at(0.45f, "second");

    // The per-frame routine of the player, through the same beats from
    // emptied targets.
    g_demo->ClearRenderTargets();
    for (int n = 0; n <= 15; ++n) {
        SCOPED_TRACE("frame " + std::to_string(n));
        char name[32];
        std::snprintf(name, sizeof name, "%05d.png", n);
        std::vector<uint8_t> first = RGBAOf(IMG_Load(("first/" + std::string(name)).c_str()));
        ASSERT_EQ(first.size(), static_cast<size_t>(testgl::kWidth) * testgl::kHeight * 4);
        EXPECT_TRUE(first == RGBAOf(IMG_Load(("second/" + std::string(name)).c_str())));
        g_beat = g_demo->bpm * static_cast<float>(n) / 60.0f / 60.0f;
        RenderDemoFullscreen();
        EXPECT_TRUE(first == RGBAOf(ReadBackBufferToSurface()));
    }
    // The last frame, the spot at the right edge: behind it the trail,
    // fading, lights what it passed.
    std::vector<uint8_t> last = RGBAOf(IMG_Load("first/00015.png"));
    ASSERT_FALSE(last.empty());
    const int row = testgl::kHeight / 2 * testgl::kWidth * 4;
    EXPECT_GT(last[row + 20 * 4], 60);  // uv.x 0.32, last under the spot nine frames before
    EXPECT_LT(last[row + 20 * 4], 250);
    EXPECT_GT(last[row + 63 * 4], 250);  // the spot
}
