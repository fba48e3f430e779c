// Throughput of the JSON reader and writer and the base64 codec on a text of
// about 32 MB shaped like a saved document: the base64 string of 16 MB of
// music, those of eight 1 MB textures and a few hundred small objects and numbers (shaders,
// effects, events with their curves). memcpy of the same bytes is the
// yardstick.
#include "Base64.h"
#include "JSON.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>

namespace {

// === The document ============================================================

std::string RandomBytes(std::mt19937& random, size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i + 4 <= length; i += 4) {
        uint32_t word = random();
        std::memcpy(&bytes[i], &word, 4);
    }
    return bytes;
}

JSON MakeDocument() {
    std::mt19937 random(2024);
    JSON document;
    // 16 MiB of music and 1 MiB per texture, a third more as base64 text.
    document["music"] = Base64Encode(RandomBytes(random, 16 << 20));
    document["textures"] = JSON::MakeArray();
    for (int i = 0; i < 8; ++i)
        document["textures"].Append(JSON{"name", "texture" + std::to_string(i), "data",
                                         Base64Encode(RandomBytes(random, 1 << 20))});
    document["shaders"] = JSON::MakeArray();
    for (int i = 0; i < 20; ++i) {
        JSON uniforms = JSON::MakeArray();
        for (int u = 0; u < 4; ++u)
            uniforms.Append(JSON{"name", "u" + std::to_string(u), "min_val", 0.0f, "max_val",
                                 1.0f, "default_val", 0.5f});
        document["shaders"].Append(JSON{
            "name", "shader" + std::to_string(i), "vertex_shader_filename",
            "resources\\default.vert", "fragment_shader_source",
            "#version 150\nuniform float beat;\nout vec4 color;\nvoid main() {\n"
            "\tcolor = vec4(sin(beat), 0.5, 0.25, 1.0);\n}\n",
            "uniforms", uniforms});
    }
    document["effects"] = JSON::MakeArray();
    for (int i = 0; i < 60; ++i)
        document["effects"].Append(JSON{"name", "effect" + std::to_string(i), "shader",
                                        "shader" + std::to_string(i % 20), "feedback", i % 2 == 0});
    document["events"] = JSON::MakeArray();
    for (int i = 0; i < 200; ++i) {
        JSON points = JSON::MakeArray();
        for (int p = 0; p < 4; ++p)
            points.Append(JSON{"beat", float(p * 4), "value", float(random() % 1000) / 100.0f});
        JSON automation{"control_points", points, "interpolation", 1, "repeat", false};
        document["events"].Append(JSON{"name", "event" + std::to_string(i), "start_beat",
                                       float(i * 2), "end_beat", float(i * 2 + 8), "effect",
                                       "effect" + std::to_string(i % 60), "automations",
                                       JSON{"u0", automation}});
    }
    document["end_beat"] = 480.0;
    document["bpm"] = 130.0;
    document["beat_offset"] = 0.5;
    return document;
}

struct Data {
    JSON document = MakeDocument();
    std::string text = document.ToText(1, "  ");
    std::string raw = Base64Decode(document["music"].AsString());  // 16 MiB
    std::string encoded = Base64Encode(raw);                       // 21.3 MiB
};

const Data& TheData() {
    static const Data data;
    return data;
}

// === JSON ====================================================================

void BM_JSONFromText(benchmark::State& state) {
    const std::string& text = TheData().text;
    for (auto _ : state) {
        JSON value = JSON::FromText(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.SetLabel("document text " + std::to_string(text.size() >> 20) + " MiB");
}
BENCHMARK(BM_JSONFromText)->Unit(benchmark::kMillisecond);

void BM_JSONToText(benchmark::State& state) {
    const Data& data = TheData();
    for (auto _ : state) {
        std::string text = data.document.ToText(1, "  ");
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.text.size()));
    state.SetLabel("document text " + std::to_string(data.text.size() >> 20) + " MiB");
}
BENCHMARK(BM_JSONToText)->Unit(benchmark::kMillisecond);

// === Base64 ==================================================================

// Counts the raw bytes encoded.
void BM_Base64Encode(benchmark::State& state) {
    const std::string& raw = TheData().raw;
    for (auto _ : state) {
        std::string text = Base64Encode(raw);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(raw.size()));
    state.SetLabel("16 MiB of bytes in");
}
BENCHMARK(BM_Base64Encode)->Unit(benchmark::kMillisecond);

// Counts the base64 text decoded.
void BM_Base64Decode(benchmark::State& state) {
    const std::string& encoded = TheData().encoded;
    for (auto _ : state) {
        std::string bytes = Base64Decode(encoded);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(encoded.size()));
    state.SetLabel("21.3 MiB of text in");
}
BENCHMARK(BM_Base64Decode)->Unit(benchmark::kMillisecond);

// === Yardstick ===============================================================

// memcpy into a fresh string of the same bytes: 0 the raw music, 1 its base64
// text, 2 the document text.
void BM_Memcpy(benchmark::State& state) {
    const Data& data = TheData();
    const std::string* sources[] = {&data.raw, &data.encoded, &data.text};
    const std::string& source = *sources[state.range(0)];
    for (auto _ : state) {
        std::string copy(source.size(), '\0');
        std::memcpy(&copy[0], source.data(), source.size());
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
    const char* labels[] = {"music 16 MiB", "its base64 21.3 MiB", "document text"};
    state.SetLabel(labels[state.range(0)]);
}
BENCHMARK(BM_Memcpy)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
