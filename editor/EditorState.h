// The editor's run-long state: everything the editor keeps from one frame to
// the next, declared together. None of it is saved in a document (window
// places and sizes are Dear ImGui's, in "imgui.ini"), and all of it is reset
// to the start values below at every run. Main thread only.
//
// The windows edit the one current document, g_demo, which a load replaces
// and the windows' own commands delete from. No state here keeps a pointer
// into a document across frames unless it also keeps the document's
// generation (g_document_generation) and checks it before use, as
// DocumentRef does; selections are positions, re-derived every frame.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "NumberSliders.h"
#include "Playback.h"
#include "TextEditor.h"

/* === Objects of the document kept across frames =========================== */

// An object of the document kept from one frame to the next: its address,
// with the generation of the document it was kept in. The address is
// compared, and followed only once In() has found it in a list of the
// current document: a deleted object is in no list, and an object of a
// later document that sits at the same address belongs to another
// generation.
template <typename T>
struct DocumentRef {
    T* object = nullptr;      // compared by address only; null: none kept
    uint32_t generation = 0;  // g_document_generation when it was kept

    // Keeps object (null: none) as an object of the current document.
    void Keep(T* kept) {
        object = kept;
        generation = g_document_generation;
    }
    void Clear() { object = nullptr; }
    // The object, as list holds it, while the current document is the one
    // it was kept in and list holds it; null otherwise.
    template <typename U>
    U* In(const std::vector<U*>& list) const {
        if (object == nullptr || generation != g_document_generation) return nullptr;
        auto found = std::find(list.begin(), list.end(), object);
        return found == list.end() ? nullptr : *found;
    }
    // True when other is the address kept, in the current document.
    bool Is(const T* other) const { return object == other && generation == g_document_generation; }
    // The address alone, as a pointer compares.
    bool operator==(const T* other) const { return object == other; }
    bool operator!=(const T* other) const { return object != other; }
};

/* === Window flags ========================================================= */

// Each is bound to its window's close box and to its View menu check box.
extern bool g_show_viewport;         // "Viewport"; true at start
extern bool g_show_effect_manager;   // "Effect Manager"; true at start
extern bool g_show_shader_editor;    // "Shader Editor"; true at start; the Effect Manager's "Edit" raises it
extern bool g_show_texture_manager;  // "Texture Manager"; false at start
extern bool g_show_event_manager;    // "Event Manager"; false at start; Ctrl+E flips it
extern bool g_show_bpm_tap;          // "BPM Tap"; false at start
extern bool g_show_demo_window;      // Dear ImGui's own demo window; false at start
extern bool g_arrange_windows;       // "Arrange windows" asked for the layout; lasts one frame

/* === Video-frame export and status message ================================ */

extern int32_t g_export_frame;       // number of the next frame to write; -1 while no export runs
extern std::string g_status_message; // the last status text
extern uint32_t g_status_ticks;      // SDL_GetTicks() when it was set; shown for 2000 ms
extern std::string g_status_refusal; // the status text when it tells of a typed value refused; else ""

/* === Viewport: mouse-look ================================================= */

extern bool g_mouse_look;            // a click in the Viewport turned mouse-look on
extern int32_t g_last_mouse_x;       // mouse position of the previous mouse-look frame,
extern int32_t g_last_mouse_y;       // whole pixels; -10000: there is none
extern bool g_mouse_look_click_held; // the click that ended mouse-look is held: the left button reads up

/* === Timeline ============================================================= */

// The timeline widget's state, rebuilt by every TimelineBegin and valid until
// the next one.
struct TimelineWidgetState {
    float max = 0.0f;           // value at the right end of the axis
    int rows = 0;               // rows announced to TimelineBegin; 0: no row clipping
    int display_start = 0;      // first row drawn
    int display_end = 0;        // one past the last row drawn
    int row_index = -1;         // row being drawn; -1 before the first
    float axis_left = 0.0f;     // screen x of value 0 (content left + second column's offset)
    float axis_width = 0.0f;    // pixels from value 0 to max (second column less the scroll bar)
    float rows_top = 0.0f;      // screen y of row 0's top, scrolled with the region
    float row_height = 0.0f;    // pixels per row: the text line height with spacing
};
extern TimelineWidgetState g_timeline;

// The drag of a bar or handle on the Timeline, from the press that started
// it. Every frame of the drag places the pair anew from where it stood at the
// press and the mouse's whole movement since, so no pixel of the movement is
// lost and an end held against the axis keeps nothing of it. Only a press on
// a bar or handle starts one. It ends when the button is released, when the
// document is replaced, or when its row no longer holds its event; nothing
// moves then until the next press, although Dear ImGui may still hold the
// row's button as active.
class Event;
struct TimelineDrag {
    int row = -1;                         // the row pressed; -1: no drag
    int part = 0;                         // what was pressed: 0 the start handle, 1 the end handle, 2 the bar
    float press_values[2] = {0.0f, 0.0f}; // the row's pair at the press
    float press_x = 0.0f;                 // the mouse's screen x at the press
    DocumentRef<const Event> event;       // ShowTimeline's: the row's event at the press, never followed
};
extern TimelineDrag g_timeline_drag;

// The left button went down on the Timeline's background (not on a bar or
// handle) and is still held: every frame seeks to the beat under the mouse.
extern bool g_timeline_scrubbing;

/* === BPM Tap ============================================================== */

extern std::vector<uint32_t> s_tap_intervals;  // the last intervals between taps in ms, oldest first, at most 10
extern uint32_t s_last_tap_ticks;              // SDL_GetTicks() of the previous tap
extern bool s_tap_started;                     // the window has been drawn (s_last_tap_ticks is set)
extern float s_tapped_bpm;                     // the tempo last computed; 0 before any tap

/* === Shader Editor ======================================================== */

extern TextEditor g_text_editor;              // the one code editor widget of the program
extern bool g_editor_set_up;                  // its shader language is installed
extern std::string g_shader_text;             // the current program's fragment source as last given
                                              // to or taken from the editor; any length
extern int32_t g_current_shader;              // index in g_demo's shaders; -1: none (see CurrentShader)
extern bool g_shader_window_started;          // the window's first frame has chosen the current program
extern uint32_t g_shader_document;            // g_document_generation of the document shown
extern int32_t g_shader_edit_request;         // a program another window wants shown; -1: none
extern bool g_auto_recompile;                 // relink after every change of the text; true at start
extern char g_shader_filename_buffer[255];    // the rename dialog's text, the name's own bytes;
                                              // empty: filled at its next opening
class ShaderProgram;
extern DocumentRef<ShaderProgram> g_rename_program;  // the program the rename dialog was opened for
extern char g_search_text[120];               // the search string, bytes as selected or typed
extern bool g_focus_search;                   // the search field takes the keyboard focus next frame
extern unsigned g_search_field_id;            // the search field's Dear ImGui ID, once drawn
// Every occurrence of the search string in text order: line index and the
// byte index of the occurrence in its line (not a display column).
extern std::vector<TextEditor::TextPosition> g_search_matches;

// "Auto-recompile"'s pacing. A typed change relinks its program at once while
// the program's last link took under 50 ms; otherwise the relink waits until
// the text has not changed for 300 ms.
struct ShaderLinkTime {
    DocumentRef<const ShaderProgram> program;
    uint32_t milliseconds = 0;  // how long its last link in the editor took
};
extern std::vector<ShaderLinkTime> g_shader_link_times;  // one per program linked in this document
struct PendingRelink {
    DocumentRef<const ShaderProgram> program;  // none kept: no relink waits
    uint32_t changed = 0;                      // g_shader_clock() at the last change of its text
};
extern PendingRelink g_pending_relink;
extern uint32_t (*g_shader_clock)();          // milliseconds; SDL_GetTicks, unless a test sets its own

/* === Number sliders ======================================================= */

extern std::vector<NumberLiteral> g_number_literals;  // the panel is shown while not empty
extern int32_t g_numbers_panel_height;                // pixels, as the splitter set it; 100 at start. Drawn
                                                      // within the room the window has, never cut to it
extern bool g_reparse_numbers;                        // rebuild the literals at the next panel draw

/* === Effect Manager ======================================================= */

// Each frame, before any address is followed, a choice is dropped when the
// document's lists no longer hold it in the document it was chosen in (a
// load, a delete anywhere).
class Effect;
class Texture;
extern DocumentRef<Effect> g_selected_effect;   // the effect in the inspector; none kept: none
extern DocumentRef<Texture> g_pending_texture;  // chosen in "##texture", not yet added
extern DocumentRef<Effect> g_pending_effect;    // chosen in "##effect", not yet added
extern char g_event_name_buffer[1024];       // the "Add as Event" dialog's name; kept until OK

/* === Event Manager ======================================================== */

// Positions, re-derived into objects every frame.
extern uint32_t g_event_manager_document;    // g_document_generation of the document last shown
extern int32_t g_selected_event_position;    // in g_demo's events; 0 at start
extern bool g_variable_selection_set;        // the pane has chosen a first variable
extern int32_t g_selected_variable_position; // in the selected event's program's uniforms; -1: none
extern float g_plot_samples[512];            // the curve samples of the row being drawn

/* === Texture Manager and file picker ====================================== */

extern int32_t g_selected_texture_position;  // in g_demo's textures; 0 at start
extern char g_picker_filename[1024];         // the file picker's "Filename" field, kept between openings;
                                             // a picked name's own bytes
