// Drives a TextEditor through whole ImGui frames in a headless context, with
// input fed the way the SDL2 backend of ImGui 1.86 feeds it: keys in
// io.KeysDown by SDL scancode, modifiers in io.KeyCtrl/KeyShift/KeyAlt, typed
// text through io.AddInputCharactersUTF8, the mouse in io.MousePos/MouseDown.
//
//   EditorFrameHarness h;            // 800x600 display, one editor
//   h.editor.SetText("abc");
//   h.Focus();                       // the editor's child window takes focus
//   h.Key(SDL_SCANCODE_LEFT, kShift);
//   h.Type("x");
//   h.Click(h.PointAt(0, 2));
#pragma once

#include "HeadlessImGui.h"
#include "TextEditor.h"

#include <SDL_scancode.h>
#include <imgui_internal.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace tetest {

enum Mod : unsigned { kNone = 0, kCtrl = 1, kShift = 2, kAlt = 4 };

// A quad (four vertices of one colour, as AddRectFilled and text glyphs make)
// in screen coordinates.
struct Quad {
    float x0, y0, x1, y1;
};

class EditorFrameHarness {
public:
    explicit EditorFrameHarness(ImVec2 display = ImVec2(800.0f, 600.0f), ImVec2 editorSize = ImVec2(0.0f, 0.0f))
        : imgui(display), size(editorSize) {
        Frame();  // windows exist from now on, so hover and focus can be computed
    }

    // One frame: the editor rendered as the only content of the display-sized
    // window; `extra` runs inside the editor's parent window after Render.
    void Frame(const std::function<void()>& extra = nullptr) {
        imgui.BeginFrame();
        origin = ImGui::GetCursorScreenPos();
        editor.Render("Editor", size, false);
        if (extra) extra();
        imgui.EndFrame();
    }

    // Gives the editor's child window keyboard focus (Render focuses it when
    // asked to bring the cursor into view) without touching the text.
    void Focus() {
        editor.scrollToCursor = true;
        Frame();
        Frame();
    }

    ImGuiIO& IO() { return imgui.IO(); }

    void SetModifiers(unsigned mods) {
        ImGuiIO& io = IO();
        io.KeyCtrl = (mods & kCtrl) != 0;
        io.KeyShift = (mods & kShift) != 0;
        io.KeyAlt = (mods & kAlt) != 0;
    }

    // Presses a key for one frame with the modifiers held, then releases all.
    void Key(SDL_Scancode key, unsigned mods = kNone) {
        SetModifiers(mods);
        IO().KeysDown[key] = true;
        Frame();
        IO().KeysDown[key] = false;
        SetModifiers(kNone);
        Frame();
    }

    // Queues UTF-8 text as typed characters for one frame.
    void Type(const char* utf8, unsigned mods = kNone) {
        SetModifiers(mods);
        IO().AddInputCharactersUTF8(utf8);
        Frame();
        SetModifiers(kNone);
    }

    // The screen point just right of the left edge of (line, column) in a
    // monospaced font (ImGui's default font is), so it maps to that column.
    ImVec2 PointAt(int line, int column) const {
        return ImVec2(origin.x + editor.textStart + static_cast<float>(column) * editor.charAdvance.x + 1.0f,
                      origin.y + (static_cast<float>(line) + 0.5f) * editor.charAdvance.y);
    }

    // Mouse button 0 goes down at p for one frame, then up for one frame.
    void Click(ImVec2 p, unsigned mods = kNone) {
        SetModifiers(mods);
        IO().MousePos = p;
        IO().MouseDown[0] = true;
        Frame();
        IO().MouseDown[0] = false;
        Frame();
        SetModifiers(kNone);
    }

    // Button down at from, moved to to while held, then released there.
    void Drag(ImVec2 from, ImVec2 to) {
        IO().MousePos = from;
        IO().MouseDown[0] = true;
        Frame();
        IO().MousePos = to;
        Frame();
        IO().MouseDown[0] = false;
        Frame();
    }

    // The editor's child window (its name holds the title given to Render).
    ImGuiWindow* EditorWindow() const {
        ImGuiContext& g = *imgui.Context();
        for (ImGuiWindow* window : g.Windows)
            if ((window->Flags & ImGuiWindowFlags_ChildWindow) != 0 && std::string(window->Name).find("/Editor_") != std::string::npos)
                return window;
        return nullptr;
    }

    // Every quad of exactly this colour in the last frame's draw data (of
    // this harness's context, when a test runs two).
    std::vector<Quad> QuadsOfColor(ImU32 colour) const {
        std::vector<Quad> quads;
        ImGui::SetCurrentContext(imgui.Context());
        const ImDrawData* data = ImGui::GetDrawData();
        if (data == nullptr) return quads;
        for (int l = 0; l < data->CmdListsCount; ++l) {
            const ImDrawList* list = data->CmdLists[l];
            std::vector<ImVec2> run;
            for (const ImDrawVert& v : list->VtxBuffer) {
                if (v.col != colour) continue;
                run.push_back(v.pos);
                if (run.size() == 4) {
                    Quad q{run[0].x, run[0].y, run[0].x, run[0].y};
                    for (const ImVec2& p : run) {
                        q.x0 = std::min(q.x0, p.x);
                        q.y0 = std::min(q.y0, p.y);
                        q.x1 = std::max(q.x1, p.x);
                        q.y1 = std::max(q.y1, p.y);
                    }
                    quads.push_back(q);
                    run.clear();
                }
            }
        }
        return quads;
    }

    // Number of vertices of this colour in the last frame's draw data.
    int VerticesOfColor(ImU32 colour) const {
        int count = 0;
        ImGui::SetCurrentContext(imgui.Context());
        const ImDrawData* data = ImGui::GetDrawData();
        if (data == nullptr) return 0;
        for (int l = 0; l < data->CmdListsCount; ++l)
            for (const ImDrawVert& v : data->CmdLists[l]->VtxBuffer) count += v.col == colour ? 1 : 0;
        return count;
    }

    // True when a tooltip window was drawn in the last frame.
    bool TooltipShown() const {
        ImGuiContext& g = *imgui.Context();
        for (ImGuiWindow* window : g.Windows)
            if ((window->Flags & ImGuiWindowFlags_Tooltip) != 0 && window->Active) return true;
        return false;
    }

    ImU32 Role(TextEditor::PaletteIndex role) const { return editor.palette[static_cast<size_t>(role)]; }

    HeadlessImGui imgui;
    TextEditor editor;
    ImVec2 size;
    ImVec2 origin;  // screen position where the editor's child window starts
};

}  // namespace tetest
