// Throughput of the JSON reader and writer and the base64 codec on two texts:
// - about 32 MB shaped like a saved document: the base64 string of 16 MB of
//   music, those of eight 1 MB textures and a few hundred small objects and
//   numbers (shaders, effects, events with their curves);
// - about 10 MB of structure: 120 000 small objects of numbers and short
//   strings, the shape where the reader's cost per value shows.
// memcpy of the same bytes is one yardstick; RapidJSON's DOM parse of the same
// text (when its header was found at configure time) is the other.
#include "Base64.h"
#include "JSON.h"

#include <benchmark/benchmark.h>
#if defined(VELMARA_HAVE_RAPIDJSON)
#include <rapidjson/document.h>
#endif

#include <cstring>
#include <random>
#include <string>

// length random bytes; bench_documents.cpp fills its music and images
// with them too.
std::string RandomBytes(std::mt19937& random, size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i + 4 <= length; i += 4) {
        uint32_t word = random();
        std::memcpy(&bytes[i], &word, 4);
    }
    return bytes;
}

namespace {

// === The document ============================================================

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

// 120 000 points of a list: a Float, an Integer and a short name each,
// printed as the writer prints them (one line per member).
JSON MakeStructure() {
    std::mt19937 random(7);
    JSON points = JSON::MakeArray();
    for (int i = 0; i < 120000; ++i)
        points.Append(JSON{"beat", float(random() % 100000) / 64.0f, "index",
                           int(random() % 5000) - 2500, "name", "point" + std::to_string(i)});
    return JSON{"points", points};
}

struct Data {
    JSON document = MakeDocument();
    std::string text = document.ToText(1, "  ");
    JSON structure = MakeStructure();
    std::string structure_text = structure.ToText(1, "  ");
    std::string raw = Base64Decode(document["music"].AsString());  // 16 MiB
    std::string encoded = Base64Encode(raw);                       // 21.3 MiB
};

const Data& TheData() {
    static const Data data;
    return data;
}

// === JSON ====================================================================

// The text of argument 0 (the document) or 1 (the structure), and its label.
const std::string& TextOf(int which) {
    return which == 0 ? TheData().text : TheData().structure_text;
}

std::string LabelOf(int which) {
    const std::string& text = TextOf(which);
    return (which == 0 ? "document text " : "structure text ") +
           std::to_string((text.size() + (1 << 19)) >> 20) + " MiB";
}

// Reading includes releasing the value, as a caller that loads a document
// and drops it pays both.
void BM_JSONFromText(benchmark::State& state) {
    const std::string& text = TextOf(int(state.range(0)));
    for (auto _ : state) {
        JSON value = JSON::FromText(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.SetLabel(LabelOf(int(state.range(0))));
}
BENCHMARK(BM_JSONFromText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_JSONToText(benchmark::State& state) {
    const Data& data = TheData();
    const JSON& value = state.range(0) == 0 ? data.document : data.structure;
    const std::string& text = TextOf(int(state.range(0)));
    for (auto _ : state) {
        std::string printed = value.ToText(1, "  ");
        benchmark::DoNotOptimize(printed.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.SetLabel(LabelOf(int(state.range(0))));
}
BENCHMARK(BM_JSONToText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

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
// text, 2 the document text, 3 the structure text.
void BM_Memcpy(benchmark::State& state) {
    const Data& data = TheData();
    const std::string* sources[] = {&data.raw, &data.encoded, &data.text, &data.structure_text};
    const std::string& source = *sources[state.range(0)];
    for (auto _ : state) {
        std::string copy(source.size(), '\0');
        std::memcpy(&copy[0], source.data(), source.size());
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
    const char* labels[] = {"music 16 MiB", "its base64 21.3 MiB", "document text",
                            "structure text"};
    state.SetLabel(labels[state.range(0)]);
}
BENCHMARK(BM_Memcpy)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

#if defined(VELMARA_HAVE_RAPIDJSON)
// RapidJSON's DOM parse of the same texts (its default flags), the document
// released each time as BM_JSONFromText releases its value.
void BM_RapidJSONParse(benchmark::State& state) {
    const std::string& text = TextOf(int(state.range(0)));
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        if (document.HasParseError())
            state.SkipWithError("RapidJSON refused the text");
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    state.SetLabel(LabelOf(int(state.range(0))));
}
BENCHMARK(BM_RapidJSONParse)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
