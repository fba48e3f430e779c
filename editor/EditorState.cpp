#include "EditorState.h"

#include <SDL.h>

bool g_show_viewport = true;
bool g_show_effect_manager = true;
bool g_show_shader_editor = true;
bool g_show_texture_manager = false;
bool g_show_event_manager = false;
bool g_show_bpm_tap = false;
bool g_show_demo_window = false;
bool g_arrange_windows = false;

int32_t g_export_frame = -1;
std::string g_status_message;
uint32_t g_status_ticks = 0;
std::string g_status_refusal;

bool g_mouse_look = false;
int32_t g_last_mouse_x = -10000;
int32_t g_last_mouse_y = -10000;
bool g_mouse_look_click_held = false;

TimelineWidgetState g_timeline;
TimelineDrag g_timeline_drag;
bool g_timeline_scrubbing = false;

std::vector<uint32_t> s_tap_intervals;
uint32_t s_last_tap_ticks = 0;
bool s_tap_started = false;
float s_tapped_bpm = 0.0f;

TextEditor g_text_editor;
bool g_editor_set_up = false;
std::string g_shader_text;
int32_t g_current_shader = -1;
bool g_shader_window_started = false;
uint32_t g_shader_document = 0;
int32_t g_shader_edit_request = -1;
bool g_auto_recompile = true;
char g_shader_filename_buffer[255] = "";
DocumentRef<ShaderProgram> g_rename_program;
char g_search_text[120] = "";
bool g_focus_search = false;
unsigned g_search_field_id = 0;
std::vector<TextEditor::TextPosition> g_search_matches;
std::vector<ShaderLinkTime> g_shader_link_times;
PendingRelink g_pending_relink;
static uint32_t Ticks() { return SDL_GetTicks(); }
uint32_t (*g_shader_clock)() = Ticks;

std::vector<NumberLiteral> g_number_literals;
int32_t g_numbers_panel_height = 100;
bool g_reparse_numbers = false;

DocumentRef<Effect> g_selected_effect;
DocumentRef<Texture> g_pending_texture;
DocumentRef<Effect> g_pending_effect;
char g_event_name_buffer[1024] = "";

uint32_t g_event_manager_document = 0;
int32_t g_selected_event_position = 0;
bool g_variable_selection_set = false;
int32_t g_selected_variable_position = -1;
float g_plot_samples[512] = {};

int32_t g_selected_texture_position = 0;
char g_picker_filename[1024] = "";
