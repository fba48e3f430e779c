// Whole documents: loading and saving both forms, the package appended to an
// executable, the stand-alone export and the start-up choice of document.
// A load builds the new document completely inside a reading scope and hands
// it out only when nothing was refused; the current document is never
// touched by a load.

#include "Documents.h"

#include <SDL.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Base64.h"
#include "ByteFields.h"
#include "Demo.h"
#include "DocumentReading.h"
#include "Effect.h"
#include "Event.h"
#include "Files.h"
#include "JSON.h"
#include "Music.h"
#include "MusicPlayer.h"
#include "Platform.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "Texture.h"

/* === Helpers ============================================================== */

namespace {

constexpr char kTrailerMagic[4] = {'D', 'E', 'M', 'O'};
constexpr long kTrailerBytes = 8;  // u32 package length, then "DEMO"

// The file's length in bytes, or -1 when the stream cannot tell.
long FileLength(FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    return std::ftell(file);
}

// Writes the document's package into stream; false, with the reason, when
// it could not be put together.
bool PutPackageTogether(const Demo& demo, MemoryStream& stream, std::string* error) {
    if (stream.File() != nullptr) demo.Write(stream.File());
    std::string reason;
    if (stream.Finish(&reason)) return true;
    if (error) *error = "the package could not be put together: " + reason;
    return false;
}

// Writes value as 4 little-endian bytes.
void WriteLE32(uint32_t value, FILE* file) {
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    std::fwrite(bytes, 1, 4, file);
}

// Reads a package of length bytes from the file's position into a new
// document; null with a reason when the package is refused.
Demo* ReadPackage(FILE* file, uint64_t length, std::string* error) {
    Event* loop_event = g_loop_event;  // a refused document must not clear it
    PackageReadScope scope(file, length);
    Demo* demo = new Demo(file);
    std::string reason;
    if (scope.Failed()) {
        reason = scope.Error();
    } else if (scope.Remaining() != 0) {
        reason = "The package has " + std::to_string(scope.Remaining()) + " bytes after its end.";
    }
    if (reason.empty()) return demo;
    delete demo;
    g_loop_event = loop_event;
    if (error) *error = reason;
    return nullptr;
}

}  // namespace

/* === JSON form ============================================================ */

// The document a JSON value describes, or null with the reason when the
// reading of a part of it failed (base64 that does not decode, say).
static Demo* BuildDemoJSON(JSON& value, std::string* error) {
    Event* loop_event = g_loop_event;  // a refused document must not clear it
    JSONReadScope scope;
    Demo* demo = new Demo(value);
    if (!scope.Failed()) return demo;
    delete demo;
    g_loop_event = loop_event;
    if (error) *error = scope.Error();
    return nullptr;
}

Demo* LoadDemoJSON(const std::string& path, std::string* error, const JSONTextCheck& check) {
    std::string text;  // the file once, read where the reader reads it
    if (!ReadWholeFileInto(path, &text, error)) return nullptr;
    JSON::TextMessages messages;
    JSON value = JSON::FromText(text, &messages);
    if (check) {
        std::string reason = check(text, value, messages);
        if (!reason.empty()) {
            if (error) *error = reason;
            return nullptr;
        }
    }
    std::string().swap(text);  // the value holds what it needs
    return BuildDemoJSON(value, error);
}

bool SaveDemoJSON(const Demo& demo, const std::string& path, std::string* error, std::string* note) {
    std::string text = demo.ToJSON().ToText(1, "  ");
    return WriteWholeFile(path.c_str(), text.data(), text.size(), error, note);
}

// The first name two of the objects share (the empty name aside), or "".
template <typename T, typename NameOf>
static std::string FirstSharedName(const std::vector<T*>& objects, NameOf name_of) {
    std::set<std::string> seen;
    for (const T* object : objects) {
        if (object == nullptr) continue;
        const std::string& name = name_of(*object);
        if (!name.empty() && !seen.insert(name).second) return name;
    }
    return "";
}

// The parts joined as a list: "a", "a and b", "a, b and c".
static std::string ListOf(const std::vector<std::string>& parts) {
    std::string list;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) list += i + 1 == parts.size() ? " and " : ", ";
        list += parts[i];
    }
    return list;
}

std::string DescribeSharedNames(const Demo& demo, bool brief) {
    const std::string names[] = {
        FirstSharedName(demo.effects, [](const Effect& e) -> const std::string& { return e.name; }),
        FirstSharedName(demo.shaders,
                        [](const ShaderProgram& p) -> const std::string& { return p.fragment_shader_filename; }),
        FirstSharedName(demo.textures, [](const Texture& t) -> const std::string& { return t.name; }),
    };
    const char* const kinds[] = {"two effects", "two shader programs", "two textures"};
    const char* const brief_kinds[] = {"two effects", "two programs", "two textures"};
    // The verb is said once, with the first kind: the note stays short
    // enough for the status line.
    std::vector<std::string> parts;
    for (int kind = 0; kind < 3; ++kind) {
        if (names[kind].empty()) continue;
        if (brief) {
            parts.push_back(brief_kinds[kind]);
        } else {
            parts.push_back(std::string(kinds[kind]) + (parts.empty() ? " are named \"" : " \"") + names[kind] + "\"");
        }
    }
    if (brief && !parts.empty()) return ListOf(parts) + (parts.size() > 1 ? " share names" : " share a name");
    return ListOf(parts);
}

// The JSON form names a link by the object's name, and an empty name means
// no object: a link to an unnamed object does not survive the form.
std::string DescribeUnnamedLinks(const Demo& demo, bool brief) {
    bool effect = false, program = false, texture = false;
    for (const Event* event : demo.events) {
        if (event != nullptr && event->effect != nullptr && event->effect->name.empty()) effect = true;
    }
    for (const Effect* user : demo.effects) {
        if (user == nullptr) continue;
        for (const Effect* input : user->input_effects) {
            if (input != nullptr && input->name.empty()) effect = true;
        }
        if (user->program != nullptr && user->program->fragment_shader_filename.empty()) program = true;
        for (const Texture* input : user->input_textures) {
            if (input != nullptr && input->name.empty()) texture = true;
        }
    }
    std::vector<std::string> kinds;
    if (brief) {
        if (effect) kinds.push_back("effect");
        if (program) kinds.push_back("program");
        if (texture) kinds.push_back("texture");
        if (kinds.empty()) return "";
        return (kinds.size() > 1 ? "links to an unnamed " : "a link to an unnamed ") + ListOf(kinds) +
               (kinds.size() > 1 ? " are lost" : " is lost");
    }
    if (effect) kinds.push_back("an effect");
    if (program) kinds.push_back("a shader program");
    if (texture) kinds.push_back("a texture");
    if (kinds.empty()) return "";
    if (kinds.size() > 1) return ListOf(kinds) + " have no name, so the JSON form keeps no link to them";
    return kinds[0] + (program ? " has no file name" : " has no name") + ", so the JSON form keeps no link to it";
}

/* === Package ============================================================== */

Demo* LoadDemoPackage(const std::string& path, std::string* error) {
    long length = -1;
    FILE* file = OpenForReading(path, &length, error);
    if (file == nullptr) return nullptr;
    Demo* demo = ReadPackage(file, static_cast<uint64_t>(length), error);
    std::fclose(file);
    return demo;
}

bool SaveDemoPackage(const Demo& demo, const std::string& path, std::string* error, std::string* note) {
    // Put together in memory and saved from there, as it is: the package is
    // held once, and a full temporary folder has no say.
    MemoryStream package;
    if (!PutPackageTogether(demo, package, error)) return false;
    return WriteWholeFile(path.c_str(), package.Data(), package.Size(), error, note);
}

/* === Stand-alone executable =============================================== */

Demo* LoadAppendedPackage(const std::string& exe_path, std::string* error) {
    if (error) error->clear();
    std::string reason;
    FILE* file = OpenRegularFile(exe_path, &reason);
    if (file == nullptr) {
        if (error) *error = "Cannot open the executable " + exe_path + ": " + reason + ".";
        return nullptr;
    }
    Demo* demo = nullptr;
    uint8_t trailer[kTrailerBytes];
    long length = FileLength(file);
    bool has_trailer = length >= kTrailerBytes &&
                       std::fseek(file, length - kTrailerBytes, SEEK_SET) == 0 &&
                       std::fread(trailer, 1, kTrailerBytes, file) == kTrailerBytes &&
                       std::memcmp(trailer + 4, kTrailerMagic, 4) == 0;
    if (has_trailer) {
        uint64_t package_length = ReadLE32(trailer);
        uint64_t room = static_cast<uint64_t>(length - kTrailerBytes);
        if (package_length > room) {
            if (error) *error = "The package length in the executable's trailer does not fit the file.";
        } else if (std::fseek(file, static_cast<long>(room - package_length), SEEK_SET) != 0) {
            if (error) *error = "Cannot read the executable " + exe_path + ".";
        } else {
            demo = ReadPackage(file, package_length, error);
        }
    }
    std::fclose(file);
    return demo;
}

bool WriteStandaloneExecutable(const Demo& demo, const std::string& exe_path, const std::string& out_path,
                               std::string* error, std::string* note) {
    // The program's bytes, the package and the trailer go into one stream,
    // which is saved as it is.
    std::string reason;
    uint32_t exe_size = 0;
    char* exe = ReadWholeFile(exe_path.c_str(), &exe_size, &reason);
    if (exe == nullptr) {
        if (error) *error = "cannot read the running program " + exe_path + ": " + reason;
        return false;
    }
    MemoryStream file;
    if (file.File() != nullptr) std::fwrite(exe, 1, exe_size, file.File());
    std::free(exe);
    if (file.File() != nullptr) {
        demo.Write(file.File());
        // Demo::Write never seeks: the position is where the package ends.
        long end = std::ftell(file.File());
        if (end < 0) {
            if (error) *error = std::string("the package's length cannot be told: ") + std::strerror(errno);
            return false;
        }
        uint64_t package_size = static_cast<uint64_t>(end) - exe_size;
        if (package_size > UINT32_MAX) {
            if (error) *error = "the package is larger than 4 GiB";
            return false;
        }
        WriteLE32(static_cast<uint32_t>(package_size), file.File());
        std::fwrite(kTrailerMagic, 1, 4, file.File());
    }
    if (!file.Finish(&reason)) {
        if (error) *error = "the program and its package could not be put together: " + reason;
        return false;
    }
    if (!WriteWholeFile(out_path.c_str(), file.Data(), file.Size(), error, note)) return false;
    if (!MakeExecutable(out_path)) {
        if (error) *error = "it could not be made executable";
        return false;
    }
    return true;
}

/* === Start-up and replacement ============================================= */

// "content.dat.json" as ReadStartupDocument found it.
struct StartupText {
    bool read = false;    // ReadStartupDocument ran
    bool parsed = false;  // the file is there, and value holds what the reader made of it
    JSON value;
    std::string error;    // why the file that is there could not be read
};
static StartupText s_startup;

void ReadStartupDocument() {
    s_startup = StartupText();
    s_startup.read = true;
    if (!PathExists("content.dat.json")) return;
    std::string text;  // the file once, read where the reader reads it
    if (!ReadWholeFileInto("content.dat.json", &text, &s_startup.error)) return;
    s_startup.value = JSON::FromText(text, nullptr);
    s_startup.parsed = true;
    std::string().swap(text);
    if (!s_startup.value.HasMember("music")) return;
    std::string music;
    try {
        music = Base64Decode(s_startup.value["music"].AsString());
    } catch (const std::exception&) {
        return;  // the document's own reading says what is wrong
    }
    if (!music.empty()) DecodeMusicAhead(std::move(music));
}

// The start-up document from "content.dat.json", as ReadStartupDocument
// read it (now, when it has not run); null with the reason when it does not
// load, and null without one when there is no such file.
static Demo* LoadStartupJSON(std::string* error) {
    if (!s_startup.read) ReadStartupDocument();
    StartupText startup = std::move(s_startup);
    s_startup = StartupText();
    if (!startup.parsed) {
        *error = startup.error;
        return nullptr;
    }
    return BuildDemoJSON(startup.value, error);
}

Demo* ChooseStartupDocument(const std::string& exe_path, bool* packaged, char* document_name) {
    if (packaged) *packaged = false;
    std::string error;
    Demo* demo = LoadStartupJSON(&error);
    if (demo != nullptr) {
        if (document_name) std::strcpy(document_name, "content.dat");
        return demo;
    }
    DropMusicAhead();  // its music was decoding for a document that is not used
    if (!error.empty()) std::fprintf(stderr, "Cannot load content.dat.json: %s\n", error.c_str());
    if (!exe_path.empty()) {
        error.clear();
        demo = LoadAppendedPackage(exe_path, &error);
        if (demo != nullptr) {
            if (packaged) *packaged = true;
            return demo;
        }
        if (!error.empty()) std::fprintf(stderr, "Cannot load the appended package: %s\n", error.c_str());
    }
    return new Demo();
}

// Documents replaced during the frame, destroyed after it is drawn.
static std::vector<Demo*> s_retired_documents;

std::string ReplaceDocument(Demo* demo) {
    if (demo == nullptr || demo == g_demo) return "";
    Demo* previous = g_demo;
    g_demo = demo;
    g_loop_event = nullptr;
    ++g_document_generation;
    // The new music replaces the old, so nothing reads the old bytes after this.
    std::string refused;
    demo->PlayMusic(&refused);
    g_start_ticks = SDL_GetTicks();
    if (previous != nullptr) {
        StopMusicFrom(previous->music);
        s_retired_documents.push_back(previous);
    }
    return refused;
}

void ReleaseRetiredDocuments() {
    for (Demo* demo : s_retired_documents) delete demo;
    s_retired_documents.clear();
}
