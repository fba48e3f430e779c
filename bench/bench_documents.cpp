// Loading a saved document: the binary package of the document whose JSON
// text is about 32 MB (16 MB of music, eight 1 MB images, twenty shader
// programs; 24 MB as a package, which holds the bytes without base64) read
// back with LoadDemoPackage, the Demo deleted each time, against a memcpy of
// the same bytes. Argument 0 fills the images with random bytes, which fail to decode
// (the cost of reading them and nothing more); argument 1 makes them real
// PNG files (512 x 512 RGBA noise, 1 MB each), which decode and upload.
//
// A Demo needs a GL context: the benchmark makes one hidden SDL window with
// the program's context attributes, once, so it needs a display. CI only
// builds the benchmarks; run them under a virtual display, for example
//   SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1920x1080x24"
//   ./velmara_bench --benchmark_filter=Package   (as one command line)
#include "BenchSupport.h"
#include "ByteBuffer.h"
#include "Demo.h"
#include "Documents.h"
#include "JSON.h"
#include "Playback.h"
#include "ShaderProgram.h"
#include "Texture.h"

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

}  // namespace
