// First version; built out below.
#include "Documents.h"

#include "Demo.h"
#include "Playback.h"

Demo* LoadDemoJSON(const std::string& path, std::string* error) { (void)path; if (error) *error = "not yet"; return nullptr; }
bool SaveDemoJSON(const Demo& demo, const std::string& path) { (void)demo; (void)path; return false; }
Demo* LoadDemoPackage(const std::string& path, std::string* error) { (void)path; if (error) *error = "not yet"; return nullptr; }
bool SaveDemoPackage(const Demo& demo, const std::string& path) { (void)demo; (void)path; return false; }
Demo* LoadAppendedPackage(const std::string& exe_path, std::string* error) { (void)exe_path; if (error) error->clear(); return nullptr; }
bool ExportExecutable(const Demo& demo, const std::string& exe_path, const std::string& out_path) {
    (void)demo; (void)exe_path; (void)out_path; return false;
}
Demo* ChooseStartupDocument(const std::string& exe_path, bool* packaged, char* document_name) {
    (void)exe_path; (void)document_name;
    if (packaged) *packaged = false;
    return new Demo();
}
void ReplaceDocument(Demo* demo) {
    Demo* old = g_demo;
    g_demo = demo;
    if (demo) demo->PlayMusic();
    if (old != demo) delete old;
}
