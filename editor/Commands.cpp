#include "Commands.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>

#include <cmath>
#include <cstdio>

#include "Demo.h"
#include "Documents.h"
#include "EditorState.h"
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
static void FinishLoad(Demo* demo, const std::string& name, const std::string& error, bool with_errors) {
    if (demo == nullptr) {
        SetStatusMessage("Cannot load " + name + ": " + error);
        return;
    }
    ReplaceDocument(demo);  // restarts the clock at music time 0; the old one goes after the frame
    SetStatusMessage("Loaded " + name + (with_errors ? " with errors" : ""));
}

void LoadBinary() {
    std::string name = g_document_name;
    std::string error;
    Demo* demo = LoadDemoPackage(name, &error);
    FinishLoad(demo, name, error, false);
}

void LoadJSON() {
    std::string name = std::string(g_document_name) + ".json";
    std::string error;
    bool with_errors = false;
    Demo* demo = LoadDemoJSON(name, &error, &with_errors);
    FinishLoad(demo, name, error, with_errors);
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
    Mix_ResumeMusic();  // every step seeks, so the music follows the frames
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
        Mix_PauseMusic();
        return;
    }
    // The beat may have been edited while paused: music and clock go there.
    SeekToBeat(g_beat);
    Mix_ResumeMusic();
}
