// Loading and saving whole documents, the start-up choice of document and
// the stand-alone player export. Every load either returns a complete new
// Demo or fails and leaves the current document alone.
#pragma once

#include <string>

class Demo;

// The document in a JSON file, or null with a reason in error.
Demo* LoadDemoJSON(const std::string& path, std::string* error);
// Prints the document with a two-space indent; false when it was not written.
bool SaveDemoJSON(const Demo& demo, const std::string& path);
// The package in a file, or null with a reason in error.
Demo* LoadDemoPackage(const std::string& path, std::string* error);
bool SaveDemoPackage(const Demo& demo, const std::string& path);
// The package behind a "DEMO" trailer at the end of the executable, or null
// (error empty when there simply is none).
Demo* LoadAppendedPackage(const std::string& exe_path, std::string* error);
// Writes the executable's bytes, the package, its u32 length and "DEMO".
bool ExportExecutable(const Demo& demo, const std::string& exe_path, const std::string& out_path);

// Start-up's choice: "content.dat.json" (document name "content.dat"), else a
// package appended to the executable (packaged), else the empty document.
// Failures are reported on stderr and fall through to the next choice.
Demo* ChooseStartupDocument(const std::string& exe_path, bool* packaged, char* document_name);

// Makes demo current: the looped event is cleared, its music starts and the
// clock restarts with it, then the old document is destroyed. Null or the
// current document changes nothing.
void ReplaceDocument(Demo* demo);
