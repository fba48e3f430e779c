// Loading and saving whole documents, the start-up choice of document and
// the stand-alone player export. Every load either returns a complete new
// Demo or fails and leaves the current document alone (g_loop_event
// included); a load that fails was refused for a reason given in error:
// a file that cannot be read, base64 that does not decode, or a package
// that is truncated, counts more than it holds or has bytes after its end.
// Saves replace their file only once the new content is written whole.
#pragma once

#include <string>

class Demo;

// The document in a JSON file, or null with a reason in error. Text that
// does not parse still gives what the reader could read.
Demo* LoadDemoJSON(const std::string& path, std::string* error);
// Prints the document with a two-space indent; false when it was not written.
bool SaveDemoJSON(const Demo& demo, const std::string& path);
// The package in a file, or null with a reason in error.
Demo* LoadDemoPackage(const std::string& path, std::string* error);
// Writes the package; false when it was not written.
bool SaveDemoPackage(const Demo& demo, const std::string& path);
// The package behind a "DEMO" trailer at the end of the executable, or null
// (error empty when there simply is none; a trailer whose length does not
// fit the file is an error).
Demo* LoadAppendedPackage(const std::string& exe_path, std::string* error);
// Writes the executable's bytes, the package, its u32 length and "DEMO" to
// out_path and makes it executable; false (nothing written) when the
// executable cannot be read or the file cannot be written.
bool ExportExecutable(const Demo& demo, const std::string& exe_path, const std::string& out_path);

// Start-up's choice: "content.dat.json" (document name "content.dat"), else a
// package appended to the executable (packaged), else the empty document.
// Failures are reported on stderr and fall through to the next choice; the
// name is set only when "content.dat.json" loads. Never null.
Demo* ChooseStartupDocument(const std::string& exe_path, bool* packaged, char* document_name);

// Makes demo current: the looped event is cleared, its music starts and the
// clock restarts with it, then the old document is destroyed. Null or the
// current document changes nothing.
void ReplaceDocument(Demo* demo);
