#include "Playback.h"

// The one screen size of the process; start-up replaces it with the desktop size.
static ScreenSize s_screen_size = {1920, 1080};

ScreenSize* g_screen_size = &s_screen_size;
Demo* g_demo = nullptr;
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
