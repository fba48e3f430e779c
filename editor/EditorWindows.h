// The bodies of the editor's windows and the Timeline, each drawn between
// ImGui::Begin and ImGui::End of its window by ShowEditor (the Timeline inside
// the main window). Each takes no arguments and draws its widgets in screen
// order.
#pragma once

#include <cstdint>

void ShaderEditorWindow();   // "Shader Editor"
void ShowTextureManager();   // "Texture Manager"
void ShowViewport();         // "Viewport": the running demo and the fly camera
void ShowEffectManager();    // "Effect Manager"
void ShowEventManager();     // "Event Manager"
void ShowBPMTap();           // "BPM Tap"
void ShowTimeline();         // the main window's Timeline over the document's events

// A tap of the BPM Tap at tick count now (the button taps at SDL_GetTicks()).
void TapAt(uint32_t now);

// The Event Manager's "Sort" order: ascending beat; equal beats compare equal.
struct ControlPoint;
bool ControlPointBeatLess(const ControlPoint& a, const ControlPoint& b);
