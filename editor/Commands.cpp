#include "Commands.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "Demo.h"
#include "Documents.h"
#include "EditorState.h"
#include "JSON.h"
#include "MusicPlayer.h"
#include "Platform.h"
#include "Playback.h"
#include "ReadBack.h"

/* === Status message ======================================================= */

void SetStatusMessage(std::string text) {
    g_status_message = std::move(text);
    g_status_ticks = SDL_GetTicks();
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
    ReplaceDocument(demo);  // restarts the clock at music time 0; the old one goes after the frame
    SetStatusMessage("Loaded " + name);
}

void LoadBinary() {
    std::string name = g_document_name;
    std::string error;
    Demo* demo = LoadDemoPackage(name, &error);
    FinishLoad(demo, name, error);
}

// The reader's first message as a reason: without its "ERROR: " (or the
// colon message's "Error: ") and its line feed, the NUL it shows for the end
// of the text read as "the end of the text", and control characters it
// quotes from the text written as escapes, so the status line stays one
// line of text.
static std::string ReasonOfMessage(const std::string& text, const JSON::TextMessages& messages) {
    std::string message = messages.first;
    for (const char* prefix : {"ERROR: ", "Error: "}) {
        if (message.compare(0, std::strlen(prefix), prefix) == 0) {
            message.erase(0, std::strlen(prefix));
            break;
        }
    }
    static const std::string kQuotedNul("'\0'", 3);
    std::string end_of_text;
    if (messages.first_offset >= text.size() && message.size() >= kQuotedNul.size() &&
        message.compare(message.size() - kQuotedNul.size(), kQuotedNul.size(), kQuotedNul) == 0) {
        message.erase(message.size() - kQuotedNul.size());
        // "..., found the end of the text"; a message that names no finding
        // ("unexpected character") gains one.
        static const std::string kFound = "found ";
        bool says_found = message.size() >= kFound.size() &&
                          message.compare(message.size() - kFound.size(), kFound.size(), kFound) == 0;
        if (!says_found) {
            while (!message.empty() && message.back() == ' ') message.pop_back();
            message += ", found ";
        }
        end_of_text = "the end of the text";
    }
    std::string reason = "line " + std::to_string(messages.first_line) + ": ";
    for (unsigned char c : message) {
        if (c == '\n') {
            reason += "\\n";
        } else if (c == '\t') {
            reason += "\\t";
        } else if (c == '\r') {
            reason += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned(c));
            reason += escaped;
        } else {
            reason += static_cast<char>(c);
        }
    }
    return reason + end_of_text;
}

// Load JSON takes only a text that reads cleanly as an object: whatever the
// reader made of anything else would replace the document being edited.
// The reason for refusing, or "" to load.
static std::string RefuseUncleanText(const std::string& text, const JSON& value,
                                     const JSON::TextMessages& messages) {
    if (text.empty()) return "the file is empty";
    if (value.GetKind() != JSON::Kind::Object) return "it is not a document";
    if (messages.count > 0) return ReasonOfMessage(text, messages);
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
    std::string error;
    if (SaveDemoPackage(*g_demo, name, &error)) {
        SetStatusMessage("Saved " + name);
    } else {
        SetStatusMessage("Cannot save " + name + ": " + error);
    }
}

void SaveJSON() {
    std::string name = std::string(g_document_name) + ".json";
    std::string error;
    if (!SaveDemoJSON(*g_demo, name, &error)) {
        SetStatusMessage("Cannot save " + name + ": " + error);
        return;
    }
    // The JSON form refers to objects by name: say when it cannot keep two apart.
    std::string shared = DescribeSharedName(*g_demo);
    SetStatusMessage("Saved " + name + (shared.empty() ? "" : "; " + shared));
}

void ImportMusic() {
    const char* path = "music.mp3";
    std::string error;
    if (!g_demo->ImportMusic(path, &error)) SetStatusMessage(std::string("Cannot import ") + path + ": " + error);
}

void ExportExecutable() {
    std::string error;
    if (!WriteStandaloneExecutable(*g_demo, g_exe_path ? g_exe_path : "", "demo.exe", &error)) {
        SetStatusMessage("Cannot export demo.exe: " + error);
    }
}

/* === Video frames ========================================================= */

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
    g_demo->Render(beat);
    char name[64];
    std::snprintf(name, sizeof name, "render\\%05d.png", n);
    std::string path = NativePath(name);
    SDL_Surface* surface = ReadBackBufferToSurface();
    std::string error;
    if (surface == nullptr) {
        error = "the picture cannot be read back";
    } else {
        if (IMG_SavePNG(surface, path.c_str()) != 0) {
            // The program never makes the folder: say so when it is missing.
            error = IsDirectory("render") ? IMG_GetError() : "there is no folder \"render\"";
        }
        SDL_FreeSurface(surface);
    }
    if (error.empty()) return true;
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
