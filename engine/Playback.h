// Playback and process state shared by the main loop, the renderer, the
// audio callback and the editor, plus the beat clock.
#pragma once

#include <SDL.h>
#include <kiss_fftr.h>

#include <cstdint>

class Demo;
class Event;

struct ScreenSize {
    int32_t width;
    int32_t height;
};

extern ScreenSize* g_screen_size;      // 1920 x 1080 until start-up sets the desktop size
extern Demo* g_demo;                   // the current document
extern uint32_t g_document_generation; // grows by one whenever g_demo is replaced
extern float g_beat;                   // the current beat
extern uint32_t g_start_ticks;         // SDL ticks at music time 0
extern int32_t g_volume;               // 0..128, read by the audio callback
extern float g_camera_position[3];
extern float g_camera_rotation[3];
extern Event* g_loop_event;            // the event playback loops, or null
extern bool g_quit;                    // ends the main loop
extern bool g_packaged;                // playing a package appended to the executable
extern const char* g_exe_path;         // the running executable's path
extern char g_document_name[256];      // "untitled.demo" at start
extern SDL_Window* g_window;
extern SDL_GLContext g_gl_context;
extern kiss_fftr_cfg g_fft;            // 1024-point forward real FFT

// The beat elapsed_ms after music time 0: elapsed * bpm / 60000 - beat_offset
// in 32-bit floats.
float BeatAtElapsed(uint32_t elapsed_ms, float bpm, float beat_offset);
// The music time of beat in whole milliseconds: (beat + beat_offset) * 60000 / bpm
// truncated; 0 for a negative time or a tempo of 0 or below, saturated at the
// largest count.
uint32_t MillisecondsAtBeat(float beat, float beat_offset, float bpm);

// Moves playback (music and clock) to beat; g_beat := beat. A beat before
// music time 0 (or not a number) goes to time 0: g_beat := -beat offset.
void SeekToBeat(float beat);
// Drains the GL error queue, printing "ERROR! tag: code" for each.
void CheckGLError(const char* tag);
// SDL event watch: quits when the application is sent to the background.
int QuitEventWatch(void* userdata, SDL_Event* event);
// Draws g_demo at g_beat into the back buffer, as one frame of the player
// (Demo::RenderFrame: the last effect is captured when it reads itself).
void RenderDemoFullscreen();
