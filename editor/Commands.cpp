#include "Commands.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "Demo.h"
#include "Documents.h"
#include "EditorState.h"
#include "Files.h"
#include "JSON.h"
#include "MusicPlayer.h"
#include "PNGEncoder.h"
#include "Platform.h"
#include "Playback.h"
#include "ReadBack.h"

/* === Status message ======================================================= */

void SetStatusMessage(std::string text) {
    g_status_message = std::move(text);
    g_status_ticks = SDL_GetTicks();
    g_status_refusal.clear();
}

void SetRefusalMessage(std::string text) {
    SetStatusMessage(text);
    g_status_refusal = std::move(text);
}

// The refusal of a typed value while the status line shows it, else "". A
// save replaces the status: it keeps this, as the value saved is the one the
// field kept rather than the one typed.
static std::string ShownRefusal() {
    return !g_status_refusal.empty() && GetStatusMessage() == g_status_refusal ? g_status_refusal : "";
}

// What the main menu bar shows of a status message on a 1280-pixel-wide
// screen, after its menus, in characters of the built-in font.
constexpr size_t kStatusLineCharacters = 150;

// "Saved <name>" and whatever notes are not empty, each after "; ".
static std::string SavedMessage(const std::string& name, std::initializer_list<std::string> notes) {
    std::string message = "Saved " + name;
    for (const std::string& note : notes) {
        if (!note.empty()) message += "; " + note;
    }
    return message;
}

const std::string& StatusMessageAt(uint32_t now) {
    static const std::string none;
    uint32_t shown_for = now - g_status_ticks;  // survives the tick wrap
    return shown_for < 2000 ? g_status_message : none;
}

const std::string& GetStatusMessage() { return StatusMessageAt(SDL_GetTicks()); }

/* === Loading ============================================================== */

// Makes a loaded document current, or keeps the current one and says why.
static void FinishLoad(Demo* demo, const std::string& name, const std::string& error) {
    if (demo == nullptr) {
        SetStatusMessage("Cannot load " + name + ": " + error);
        return;
    }
    // Restarts the clock at music time 0; the old document goes after the frame.
    std::string refused = ReplaceDocument(demo);
    SetStatusMessage("Loaded " + name + (refused.empty() ? "" : "; music: " + refused));
}

void LoadBinary() {
    std::string name = g_document_name;
    std::string error;
    Demo* demo = LoadDemoPackage(name, &error);
    FinishLoad(demo, name, error);
}

// Bytes quoted from the text, as the status line may show them: control
// bytes and bytes from 0x80 up as escapes, so the line stays one line of
// valid text whatever the file holds.
static std::string QuotedBytes(const std::string& bytes) {
    std::string quoted;
    for (unsigned char c : bytes) {
        if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned(c));
            quoted += escaped;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted;
}

// The line, from 1, on which the byte at offset stands.
static size_t LineAt(const std::string& text, size_t offset) {
    offset = std::min(offset, text.size());
    return 1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

// The reader's first message as a reason: "line <n>: " and its words, then
// what it found, quoted, or the end of the text.
static std::string ReasonOfMessage(const JSON::TextMessages& messages) {
    std::string found =
        messages.first_found_end ? "the end of the text" : "'" + QuotedBytes(messages.first_found) + "'";
    return "line " + std::to_string(messages.first_line) + ": " + messages.first_text + ", found " + found;
}

// Load JSON takes only a text that reads cleanly, whole, as a document:
// whatever the reader made of anything else would replace the document being
// edited. The reason for refusing, or "" to load; of several, the first of
// the reader's message, text after the value and a value that is not a
// document.
static std::string RefuseUncleanText(const std::string& text, const JSON& value,
                                     const JSON::TextMessages& messages) {
    size_t first = 0;
    JSON::ConsumeWhitespace(text, first);
    if (first == text.size()) return "the file is empty";
    if (messages.count > 0) return ReasonOfMessage(messages);
    size_t after = messages.value_end;
    JSON::ConsumeWhitespace(text, after);
    if (after < text.size()) {
        return "line " + std::to_string(LineAt(text, after)) + ": text follows the end of the document";
    }
    // {} or {"a": 1} would read as a document of zeros and nothing else.
    if (!HoldsDocumentMember(value)) return "it is not a document";
    return "";
}

void LoadJSON() {
    std::string name = std::string(g_document_name) + ".json";
    std::string error;
    Demo* demo = LoadDemoJSON(name, &error, RefuseUncleanText);
    FinishLoad(demo, name, error);
}

/* === Saving and exporting ================================================= */

void SaveBinary() {
    std::string name = g_document_name;
    std::string refusal = ShownRefusal();
    std::string error, note;
    if (SaveDemoPackage(*g_demo, name, &error, &note)) {
        SetStatusMessage(SavedMessage(name, {refusal, note}));
    } else {
        SetStatusMessage("Cannot save " + name + ": " + error);
    }
}

void SaveJSON() {
    std::string name = std::string(g_document_name) + ".json";
    std::string refusal = ShownRefusal();
    std::string error, note;
    if (!SaveDemoJSON(*g_demo, name, &error, &note)) {
        SetStatusMessage("Cannot save " + name + ": " + error);
        return;
    }
    // The JSON form refers to objects by name: say when it cannot keep two
    // apart, or a link to an object without one. Where the status line has
    // no room for that, the unnamed links are said in fewer words, then the
    // shared names without the names themselves; every kind is still said.
    const bool kBrief[][2] = {{false, false}, {false, true}, {true, true}};  // shared names, unnamed links
    std::string message;
    for (const auto& brief : kBrief) {
        message = SavedMessage(
            name, {refusal, note, DescribeSharedNames(*g_demo, brief[0]), DescribeUnnamedLinks(*g_demo, brief[1])});
        if (message.size() <= kStatusLineCharacters) break;
    }
    SetStatusMessage(message);
}

void ImportMusic() {
    const char* path = "music.mp3";
    std::string error;
    if (!g_demo->ImportMusic(path, &error)) SetStatusMessage(std::string("Cannot import ") + path + ": " + error);
}

void ExportExecutable() {
    std::string error, note;
    if (!WriteStandaloneExecutable(*g_demo, g_exe_path ? g_exe_path : "", "demo.exe", &error, &note)) {
        SetStatusMessage("Cannot export demo.exe: " + error);
    } else if (!note.empty()) {
        SetStatusMessage(SavedMessage("demo.exe", {note}));
    }
}

/* === Video frames ========================================================= */

FrameFileWriter g_write_frame_file = WriteWholeFile;

// Writes the frame in the back buffer to path as a PNG, made in memory and
// saved as every file is: beside its name, synced, then renamed, so a frame
// is there whole or not at all. False with the reason; note as
// WriteWholeFile gives it.
static bool SaveFrame(const std::string& path, std::string* error, std::string* note) {
    SDL_Surface* surface = ReadBackBufferToSurface();
    if (surface == nullptr) {
        *error = "the picture cannot be read back";
        return false;
    }
    std::string png;
    bool encoded = EncodePNG(surface, &png, error);
    SDL_FreeSurface(surface);
    if (!encoded) return false;
    if (g_write_frame_file(path.c_str(), png.data(), png.size(), error, note)) return true;
    // The program never makes the folder: say so when it is missing.
    if (!IsDirectory("render")) *error = "there is no folder \"render\"";
    return false;
}

void StartVideoExport() {
    if (!(g_demo->bpm > 0.0f)) {
        SetStatusMessage("Cannot export video frames: the tempo is not above 0");
        return;
    }
    if (!std::isfinite(g_demo->end_beat)) {
        SetStatusMessage("Cannot export video frames: the end beat is not a number");
        return;
    }
    g_export_frame = 0;
    g_demo->paused = false;
    PauseMusic(false);  // every step seeks, so the music follows the frames
}

bool WriteVideoFrame(float* beat_out) {
    int n = g_export_frame;
    float beat = g_demo->bpm * static_cast<float>(n) / 60.0f / 60.0f;  // 60 frames per second
    *beat_out = beat;
    SeekToBeat(beat);
    if (beat > g_demo->end_beat) {
        g_export_frame = -1;
        return false;
    }
    // Frames that depend on the document alone: no capture the editing left.
    if (n == 0) g_demo->ClearRenderTargets();
    g_demo->RenderFrame(beat);
    char name[64];
    std::snprintf(name, sizeof name, "render\\%05d.png", n);
    std::string path = NativePath(name);
    std::string error, note;
    if (SaveFrame(path, &error, &note)) {
        if (!note.empty()) SetStatusMessage(SavedMessage(path, {note}));
        return true;
    }
    SetStatusMessage("Cannot write " + path + ": " + error);
    g_export_frame = -1;
    return false;
}

/* === Pause ================================================================ */

void TogglePause() {
    g_demo->paused = !g_demo->paused;
    if (g_demo->paused) {
        PauseMusic(true);
        return;
    }
    // The beat may have been edited while paused: music and clock go there.
    SeekToBeat(g_beat);
    PauseMusic(false);
}
