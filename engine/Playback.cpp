#include "Playback.h"

#include <GL/glew.h>

#include <cstdio>

#include "Demo.h"
#include "Music.h"
#include "MusicPlayer.h"

/* === Process-wide state ================================================== */

// The one screen size of the process; start-up replaces it with the desktop size.
static ScreenSize s_screen_size = {1920, 1080};

ScreenSize* g_screen_size = &s_screen_size;
Demo* g_demo = nullptr;
uint32_t g_document_generation = 0;
float g_beat = 0.0f;
uint32_t g_start_ticks = 0;
int32_t g_volume = 128;
float g_camera_position[3] = {0.0f, 0.0f, 0.0f};
float g_camera_rotation[3] = {0.0f, 0.0f, 0.0f};
Event* g_loop_event = nullptr;
bool g_quit = false;
bool g_packaged = false;
const char* g_exe_path = nullptr;
char g_document_name[256] = "untitled.demo";
SDL_Window* g_window = nullptr;
SDL_GLContext g_gl_context = nullptr;
kiss_fftr_cfg g_fft = nullptr;

/* === The beat clock ====================================================== */

float BeatAtElapsed(uint32_t elapsed_ms, float bpm, float beat_offset) {
    float elapsed = static_cast<float>(elapsed_ms);
    return elapsed * bpm / 60000.0f - beat_offset;
}

uint32_t MillisecondsAtBeat(float beat, float beat_offset, float bpm) {
    if (!(bpm > 0.0f)) return 0;  // no tempo: music time 0, never a division by 0
    float ms = (beat + beat_offset) * 60000.0f / bpm;
    if (!(ms > 0.0f)) return 0;   // negative or not a number
    if (ms >= 4294967296.0f) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(ms);
}

void SeekToBeat(float beat) {
    float beat_offset = g_demo ? g_demo->beat_offset : 0.0f;
    uint32_t ms = g_demo ? MillisecondsAtBeat(beat, beat_offset, g_demo->bpm) : 0;
    SeekMusic(static_cast<uint64_t>(ms) * (kAudioFrequency / 1000));
    g_start_ticks = SDL_GetTicks() - ms;
    // A beat before music time 0 cannot be played: music and clock start at
    // time 0, and so does the beat, also while paused.
    g_beat = beat + beat_offset >= 0.0f ? beat : -beat_offset;
}

/* === Errors, the event watch, full-screen drawing ======================== */

void CheckGLError(const char* tag) {
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError()) {
        std::printf("ERROR! %s: %x\n", tag, code);
    }
}

int QuitEventWatch(void* userdata, SDL_Event* event) {
    (void)userdata;
    if (event && event->type == SDL_APP_WILLENTERBACKGROUND) g_quit = true;
    return 1;
}

void RenderDemoFullscreen() {
    if (g_demo) g_demo->RenderFrame(g_beat);
}
