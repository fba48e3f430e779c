// Loading and saving whole documents, the start-up choice of document and
// the stand-alone player export. Every load either returns a complete new
// Demo or fails and leaves the current document alone (g_loop_event
// included); a load that fails was refused for a reason given in error,
// without the file's name: the system's reason for a file that cannot be
// read ("No such file or directory", "Is a directory"), or a sentence on
// base64 that does not decode or a package that is truncated, counts more
// than it holds or has bytes after its end.
// Saves replace their file only once the new content is written whole, and
// a save that fails gives its reason in error and leaves the old file whole.
#pragma once

#include <functional>
#include <string>

#include "JSON.h"

class Demo;

// A caller's say on a JSON document's text before anything is built from
// it: the text, the value read from it and what the reader reported. ""
// lets the load go on; any other text refuses it, with that reason.
using JSONTextCheck =
    std::function<std::string(const std::string& text, const JSON& value, const JSON::TextMessages& messages)>;

// The document in a JSON file, or null with a reason in error. Without a
// check, text that does not parse still gives what the reader could read
// (the reader reports the problems on the error stream); a check may refuse
// such text first.
Demo* LoadDemoJSON(const std::string& path, std::string* error, const JSONTextCheck& check = nullptr);
// Prints the document with a two-space indent; false (with a reason) when it
// was not written. note as WriteWholeFile gives it.
bool SaveDemoJSON(const Demo& demo, const std::string& path, std::string* error = nullptr,
                  std::string* note = nullptr);
// True when value is an Object holding at least one of the members the
// document form reads ("beat_offset", "bpm", "effects", "end_beat", "events",
// "music", "shaders", "textures"); any other value would read as a document
// all the same, with nothing but defaults in it.
bool HoldsDocumentMember(const JSON& value);
// Every kind of object of which two share a name, as the JSON form sees
// names (effects, then shader programs by fragment file name, then textures;
// the empty name, which refers to nothing, aside), each with the first name
// shared: `two effects are named "x"`, or for several kinds
// `two effects are named "x", two shader programs "y" and two textures "z"`;
// "" when every name is its own. References by such a name read back as the
// later object of the two. Brief leaves the names out, for a status line
// that has no room for them: "two effects and two textures share names".
std::string DescribeSharedNames(const Demo& demo, bool brief = false);
// Every kind of object that the document refers to although it has the
// empty name, which the JSON form reads as no object: an effect that an event
// shows or an effect takes as an input, a shader program that an effect uses
// (known by its fragment file name), a texture that an effect takes. One kind
// is described as "an effect has no name, so the JSON form keeps no link to
// it" ("a shader program has no file name, ..."), several as "an effect and a
// texture have no name, so the JSON form keeps no link to them"; "" when
// every object referred to has a name. Unnamed objects that nothing refers
// to lose nothing and are not mentioned. Brief says the same in fewer
// words: "links to an unnamed effect and texture are lost".
std::string DescribeUnnamedLinks(const Demo& demo, bool brief = false);
// The package in a file, or null with a reason in error.
Demo* LoadDemoPackage(const std::string& path, std::string* error);
// Writes the package, put together in memory; false (with a reason) when it
// was not written. note as WriteWholeFile gives it.
bool SaveDemoPackage(const Demo& demo, const std::string& path, std::string* error = nullptr,
                     std::string* note = nullptr);
// The package behind a "DEMO" trailer at the end of the executable, or null
// (error empty when there simply is none; a trailer whose length does not
// fit the file is an error).
Demo* LoadAppendedPackage(const std::string& exe_path, std::string* error);
// Writes the executable's bytes, the package, its u32 length and "DEMO" to
// out_path, all put together in memory first, and makes it executable;
// false (with a reason, nothing written) when the executable cannot be read
// or the file cannot be written. note as WriteWholeFile gives it.
bool WriteStandaloneExecutable(const Demo& demo, const std::string& exe_path, const std::string& out_path,
                               std::string* error = nullptr, std::string* note = nullptr);

// Start-up's choice: "content.dat.json" (document name "content.dat"), as
// ReadStartupDocument read it (it runs here when start-up has not called
// it), else a package appended to the executable (packaged), else the empty
// document.
// Failures are reported on stderr and fall through to the next choice; the
// name is set only when "content.dat.json" loads. Never null.
Demo* ChooseStartupDocument(const std::string& exe_path, bool* packaged, char* document_name);

// Reads and parses "content.dat.json", when there is that file, for the
// ChooseStartupDocument to come, and starts decoding its music
// (DecodeMusicAhead). Start-up calls it before it opens the window, so the
// decode and the opening overlap; nothing of the document is built yet.
void ReadStartupDocument();

// Makes demo current: the looped event is cleared, its music starts and the
// clock restarts with it, and g_document_generation grows by one. The old
// document is only retired: what was drawn this frame may still use its
// textures, so it is destroyed by ReleaseRetiredDocuments once the frame is
// on screen. Null or the current document changes nothing. The reason its
// music is refused, "" when it plays or there is none.
std::string ReplaceDocument(Demo* demo);
// Destroys the documents ReplaceDocument retired; the main loop calls it
// after each frame is drawn.
void ReleaseRetiredDocuments();
