// Loading and saving documents.
//
// Loading: the binary package of the document whose JSON text is about
// 32 MB (16 MB of music, eight 1 MB images, twenty shader programs; 24 MB
// as a package, which holds the bytes without base64) read back with
// LoadDemoPackage, the Demo deleted each time, against a memcpy of the same
// bytes. Argument 0 fills the images with random bytes, which fail to decode
// (the cost of reading them and nothing more); argument 1 makes them real
// PNG files (512 x 512 RGBA noise, 1 MB each), which decode and upload.
//
// Saving, with what it costs in time and in memory: a 200 MB document (its
// music 200 MB of random bytes) saved by Save BIN and exported as a
// stand-alone executable; 200 MB written by WriteWholeFile, which syncs the
// file and its folder; one frame of the video export at 1280 x 720 (drawn,
// read back, made a PNG and saved); and Load JSON of a file of 1 GiB of zero
// bytes, refused at its first byte. The counters "peak_MiB" give the most
// resident memory the operation took on top of what was resident before it
// ("resident_MiB", the document itself among it), from /proc/self/status
// with the peak reset through /proc/self/clear_refs (Linux). Files are
// written in the system's temporary folder, which should be on a disk for
// the syncs to cost what they cost there.
//
// A Demo needs a GL context: the benchmark makes one hidden SDL window with
// the program's context attributes, once, so it needs a display. CI only
// builds the benchmarks; run them under a virtual display, for example
//   SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1920x1080x24"
//   ./velmara_bench --benchmark_filter=Package   (as one command line)
#include "BenchSupport.h"
#include "ByteBuffer.h"
#include "Commands.h"
#include "Demo.h"
#include "Documents.h"
#include "Effect.h"
#include "EditorState.h"
#include "Event.h"
#include "Files.h"
#include "JSON.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "Texture.h"

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_image.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

// length random bytes (bench_json.cpp).
std::string RandomBytes(std::mt19937& random, size_t length);

namespace {

// === The document ============================================================

// A 512 x 512 RGBA PNG of noise: 1 MB of pixels that do not compress.
std::string NoisePNG(std::mt19937& random, const std::filesystem::path& path) {
    SDL_Surface* surface =
        SDL_CreateRGBSurface(0, 512, 512, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
    std::string pixels = RandomBytes(random, 512 * 512 * 4);
    std::memcpy(surface->pixels, pixels.data(), pixels.size());
    IMG_SavePNG(surface, path.c_str());
    SDL_FreeSurface(surface);
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

const char* kVertexShader = "#version 150\n\nin vec3 vp;\n\nvoid main() {\ngl_Position = vec4(vp, 1.0);\n}\n";

const char* kFragmentShaderHead =
    "#version 150\n"
    "uniform float beat;\n"
    "uniform vec2 resolution;\n"
    "uniform float u0;\n"
    "out vec4 color;\n";
const char* kFragmentShaderBody =
    "void main() {\n"
    "    vec2 uv = gl_FragCoord.xy / resolution;\n"
    "    float pulse = exp(-4.0 * fract(beat)) * u0;\n"
    "    color = vec4(uv * (1.0 + pulse), 0.5 + 0.5 * sin(beat + kIndex), 1.0);\n"
    "}\n";

// Program i's fragment shader: twenty sources, one constant apart.
std::string FragmentShader(int i) {
    return std::string(kFragmentShaderHead) + "const float kIndex = " + std::to_string(i) + ".0;\n" +
           kFragmentShaderBody;
}

// The package file of the document, written once per kind of image, and
// its bytes; removed when the program ends.
struct Package {
    std::filesystem::path directory;
    std::string path;
    std::string bytes;

    explicit Package(bool png_images) {
        directory = std::filesystem::temp_directory_path() /
                    ("velmara_bench_" + std::to_string(::getpid()) + (png_images ? "_png" : "_raw"));
        std::filesystem::create_directories(directory);
        std::mt19937 random(2024);
        Demo demo;
        delete demo.music;
        const std::string music = RandomBytes(random, 16 << 20);
        demo.music = new ByteBuffer(music.data(), music.size());
        for (int i = 0; i < 8; ++i) {
            const std::filesystem::path image = directory / ("texture" + std::to_string(i) + ".png");
            if (png_images) {
                NoisePNG(random, image);
            } else {
                std::ofstream(image, std::ios::binary) << RandomBytes(random, 1 << 20);
            }
            demo.textures.push_back(new Texture(image.c_str()));
        }
        for (int i = 0; i < 20; ++i) {
            JSON uniforms = JSON::MakeArray();
            uniforms.Append(JSON{"name", "u0", "min_val", 0.0, "max_val", 1.0, "default_val", 0.5});
            JSON program{"vertex_shader_filename", "resources\\default.vert", "vertex_shader_source",
                         kVertexShader, "fragment_shader_filename",
                         "resources\\shader" + std::to_string(i) + ".frag", "fragment_shader_source",
                         FragmentShader(i), "uniform_defs", uniforms};
            demo.shaders.push_back(new ShaderProgram(program));
        }
        path = (directory / "document.demo").string();
        std::string error;
        if (!SaveDemoPackage(demo, path, &error))
            std::fprintf(stderr, "SaveDemoPackage: %s\n", error.c_str());
        std::ifstream file(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    ~Package() {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
};

const Package& ThePackage(bool png_images) {
    static const Package raw(false);
    static const Package png(true);
    return png_images ? png : raw;
}

// The package of the benchmark's argument (1: PNG images), or null when
// there is no GL context to make it with (the benchmark is then skipped).
const Package* PackageOf(benchmark::State& state) {
    if (!HaveGLContext()) {
        state.SkipWithError("no GL context (run under a display)");
        return nullptr;
    }
    return &ThePackage(state.range(0) != 0);
}

// Counts the package's bytes once per pass and names what the package holds.
void Describe(benchmark::State& state, const Package& package) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(package.bytes.size()));
    state.SetLabel(std::to_string((package.bytes.size() + (1 << 19)) >> 20) +
                   " MiB package, twenty shaders, " +
                   (state.range(0) != 0 ? "PNG images" : "random-byte images"));
}

// === Benchmarks ==============================================================

void BM_LoadDemoPackage(benchmark::State& state) {
    const Package* package = PackageOf(state);
    if (!package)
        return;
    for (auto _ : state) {
        std::string error;
        Demo* demo = LoadDemoPackage(package->path, &error);
        if (!demo) {
            state.SkipWithError(("LoadDemoPackage: " + error).c_str());
            break;
        }
        delete demo;
    }
    Describe(state, *package);
}
BENCHMARK(BM_LoadDemoPackage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The yardstick: the package's bytes copied into a fresh buffer (taken
// from the heap each pass, as the loader takes its blocks, and not cleared
// first).
void BM_MemcpyPackage(benchmark::State& state) {
    const Package* package = PackageOf(state);
    if (!package)
        return;
    for (auto _ : state) {
        std::unique_ptr<char[]> copy(new char[package->bytes.size()]);
        std::memcpy(copy.get(), package->bytes.data(), package->bytes.size());
        benchmark::DoNotOptimize(copy.get());
    }
    Describe(state, *package);
}
BENCHMARK(BM_MemcpyPackage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// === Saving: time and memory ==================================================

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"); 0 when not there.
long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, key.size(), key) == 0) return std::stol(line.substr(key.size()));
    }
    return 0;
}

// Measures the resident memory an operation takes: made before it, read after.
class PeakMemory {
public:
    PeakMemory() {
        std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
        before_ = StatusKiB("VmRSS");
    }
    // Sets the counters: the peak over what was resident before, and that.
    void Report(benchmark::State& state) const {
        state.counters["peak_MiB"] = double(StatusKiB("VmHWM") - before_) / 1024.0;
        state.counters["resident_MiB"] = double(before_) / 1024.0;
    }

private:
    long before_ = 0;
};

// A folder of its own in the system's temporary folder, removed at the end.
struct ScratchFolder {
    std::filesystem::path path;
    explicit ScratchFolder(const std::string& name) {
        path = std::filesystem::temp_directory_path() / ("velmara_bench_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

// The document of 200 MB: its music, 200 MB of random bytes.
constexpr size_t kLargeDocumentBytes = size_t(200) << 20;

std::unique_ptr<Demo> LargeDocument() {
    std::unique_ptr<Demo> demo(new Demo());
    std::mt19937 random(200);
    const std::string music = RandomBytes(random, kLargeDocumentBytes);
    delete demo->music;
    demo->music = new ByteBuffer(music.data(), music.size());
    return demo;
}

// The program whose copy an export carries.
std::string ProgramToExport() {
#ifdef VELMARA_EXE
    return VELMARA_EXE;
#else
    return "/proc/self/exe";
#endif
}

// Saves the 200 MB document as name in a scratch folder with save, once per
// iteration, with the memory each save takes on top of the document.
template <typename Save>
void SaveLargeDocument(benchmark::State& state, const char* name, const char* label, Save save) {
    if (!HaveGLContext()) {
        state.SkipWithError("no GL context (run under a display)");
        return;
    }
    ScratchFolder folder(name);
    std::unique_ptr<Demo> demo = LargeDocument();
    const std::string path = (folder.path / name).string();
    for (auto _ : state) {
        PeakMemory memory;
        std::string error;
        if (!save(*demo, path, &error)) {
            static std::string reason;  // SkipWithError keeps the pointer
            reason = std::string(label) + ": " + error;
            state.SkipWithError(reason.c_str());
            break;
        }
        memory.Report(state);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kLargeDocumentBytes));
    state.SetLabel(std::string(label) + " of a 200 MB document");
}

void BM_SaveLargeDocumentPackage(benchmark::State& state) {
    SaveLargeDocument(state, "large.demo", "Save BIN", [](const Demo& demo, const std::string& path, std::string* error) {
        return SaveDemoPackage(demo, path, error);
    });
}
BENCHMARK(BM_SaveLargeDocumentPackage)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ExportLargeDocument(benchmark::State& state) {
    SaveLargeDocument(state, "demo.exe", "Export Executable",
                      [](const Demo& demo, const std::string& path, std::string* error) {
                          return WriteStandaloneExecutable(demo, ProgramToExport(), path, error);
                      });
}
BENCHMARK(BM_ExportLargeDocument)->Iterations(3)->Unit(benchmark::kMillisecond);

// A save replacing the file of the last pass, synced to the disk with its
// folder: 200 MiB, a large document, and 460 KiB, a video frame's PNG.
void BM_WriteWholeFile(benchmark::State& state) {
    ScratchFolder folder("write");
    std::mt19937 random(201);
    const std::string bytes = RandomBytes(random, size_t(state.range(0)));
    const std::string path = (folder.path / "saved.bin").string();
    for (auto _ : state) {
        std::string error;
        if (!WriteWholeFile(path.c_str(), bytes.data(), bytes.size(), &error)) {
            state.SkipWithError(("WriteWholeFile: " + error).c_str());
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_WriteWholeFile)->Arg(200 << 20)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteWholeFile)->Arg(460 << 10)->Iterations(500)->Unit(benchmark::kMillisecond);

const char* kPlasmaShader =
    "#version 150\n"
    "uniform float beat;\n"
    "uniform vec2 resolution;\n"
    "out vec4 color;\n"
    "void main() {\n"
    "    vec2 uv = gl_FragCoord.xy / resolution;\n"
    "    float v = sin(uv.x * 10.0 + beat) + sin(uv.y * 7.0 - beat) + sin((uv.x + uv.y) * 13.0);\n"
    "    color = vec4(0.5 + 0.5 * sin(v), 0.5 + 0.5 * sin(v + 2.0), 0.5 + 0.5 * sin(v + 4.0), 1.0);\n"
    "}\n";

// One step of the video export: a 1280 x 720 frame of a plasma shader
// drawn, read back, made a PNG and saved into render/ (a new file for each
// of 100 frames, then the same ones again).
void BM_VideoExportFrame(benchmark::State& state) {
    constexpr int kWidth = 1280, kHeight = 720;
    if (!HaveGLContext()) {
        state.SkipWithError("no GL context (run under a display)");
        return;
    }
    SizedScreen screen(kWidth, kHeight);
    if (!screen.Ready()) {
        state.SkipWithError("no 1280 x 720 window");
        return;
    }
    ScratchFolder folder("video");
    std::filesystem::create_directories(folder.path / "render");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path);
    {
        Demo demo;
        ShaderProgram* program = new ShaderProgram();
        program->fragment_shader_source = kPlasmaShader;
        program->Relink();
        demo.shaders.push_back(program);
        demo.effects.push_back(new Effect("plasma", program, nullptr, nullptr, false));
        demo.events.push_back(new Event("plasma", demo.effects[0], 0.0f, 100000.0f));
        demo.end_beat = 100000.0f;
        Demo* saved_demo = g_demo;
        g_demo = &demo;
        int frame = 0;
        for (auto _ : state) {
            g_export_frame = frame;
            float beat = 0.0f;
            if (!WriteVideoFrame(&beat)) {
                state.SkipWithError(("WriteVideoFrame: " + g_status_message).c_str());
                break;
            }
            frame = (frame + 1) % 100;
        }
        g_export_frame = -1;
        g_demo = saved_demo;
    }
    std::error_code no_frame;
    const auto frame_bytes = std::filesystem::file_size("render/00000.png", no_frame);
    std::filesystem::current_path(previous);
    state.SetLabel("1280 x 720 plasma frames of " + std::to_string(no_frame ? 0 : frame_bytes / 1024) + " KiB");
}
BENCHMARK(BM_VideoExportFrame)->Iterations(200)->Unit(benchmark::kMillisecond);

// Load JSON (the command) of a file of 1 GiB of zero bytes, which the
// reader refuses at its first byte: what the file costs before it is read.
void BM_LoadJSONOfZeroBytes(benchmark::State& state) {
    if (!HaveGLContext()) {
        state.SkipWithError("no GL context (run under a display)");
        return;
    }
    ScratchFolder folder("zeros");
    const std::string name = (folder.path / "zeros").string();
    std::ofstream(name + ".json").close();
    std::filesystem::resize_file(name + ".json", std::uintmax_t(1) << 30);  // a sparse file reads as zeros
    char saved_name[sizeof g_document_name];
    std::memcpy(saved_name, g_document_name, sizeof saved_name);
    std::snprintf(g_document_name, sizeof g_document_name, "%s", name.c_str());
    Demo* saved_demo = g_demo;
    Demo demo;
    g_demo = &demo;
    for (auto _ : state) {
        PeakMemory memory;
        LoadJSON();
        memory.Report(state);
        if (g_demo != &demo) {
            state.SkipWithError("the zero bytes loaded as a document");
            break;
        }
    }
    state.SetLabel(g_status_message.substr(g_status_message.rfind(": ") + 2, 48));
    g_demo = saved_demo;
    std::memcpy(g_document_name, saved_name, sizeof saved_name);
}
BENCHMARK(BM_LoadJSONOfZeroBytes)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
