// The binary package and the stand-alone executable: exact layout, round
// trips, and damaged input that must be refused without reading or
// allocating past the end of the file.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>

#include "DocumentReading.h"
#include "DocumentSamples.h"
#include "Documents.h"
#include "GLFixture.h"
#include "Playback.h"

namespace {

class PackageTest : public GLTest {};

using samples::Bytes;
using samples::TempDir;

// Hand-made package bytes.
struct PackageBuilder {
    std::string bytes;
    PackageBuilder& U64(uint64_t v) {
        for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
        return *this;
    }
    PackageBuilder& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
        return *this;
    }
    PackageBuilder& F32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return U32(v);
    }
    PackageBuilder& Flag(bool b) {
        bytes.push_back(b ? 1 : 0);
        return *this;
    }
    PackageBuilder& Text(const std::string& text) {
        U64(text.size());
        bytes += text;
        return *this;
    }
    PackageBuilder& Timing() { return F32(480.0f).F32(130.0f).F32(0.5f); }
};

std::string SavePackage(const Demo& demo, const TempDir& dir, const std::string& name = "doc.demo") {
    EXPECT_TRUE(SaveDemoPackage(demo, dir.File(name)));
    return samples::ReadFile(dir.File(name));
}

// Loads bytes as a package file; null when refused (error holds why).
std::unique_ptr<Demo> LoadBytes(const TempDir& dir, const std::string& bytes, std::string* error = nullptr) {
    samples::WriteFile(dir.File("in.demo"), bytes);
    std::string reason;
    std::unique_ptr<Demo> demo(LoadDemoPackage(dir.File("in.demo"), &reason));
    if (error) *error = reason;
    if (!demo) {
        EXPECT_FALSE(reason.empty());
    }
    return demo;
}

/* === Layout =============================================================== */

TEST_F(PackageTest, TheEmptyDocumentWritesExactly52Bytes) {
    TempDir dir;
    Demo demo;
    std::string expected(40, '\0');
    expected += Bytes({0x00, 0x00, 0xF0, 0x43, 0x00, 0x00, 0x02, 0x43, 0x00, 0x00, 0x00, 0x3F});
    EXPECT_EQ(SavePackage(demo, dir), expected);
}

TEST_F(PackageTest, TheExecutableIsCopiedThenThePackageItsLengthAndDEMO) {
    TempDir dir;
    std::string program = "#!/bin/sh\necho not really velmara\n";
    samples::WriteFile(dir.File("velmara"), program);
    Demo demo;
    ASSERT_TRUE(WriteStandaloneExecutable(demo, dir.File("velmara"), dir.File("demo.exe")));
    std::string written = samples::ReadFile(dir.File("demo.exe"));
    ASSERT_EQ(written.size(), program.size() + 60);
    EXPECT_EQ(written.substr(0, program.size()), program);
    EXPECT_EQ(written.substr(program.size(), 52), SavePackage(demo, dir));
    EXPECT_EQ(written.substr(program.size() + 52), Bytes({0x34, 0, 0, 0, 'D', 'E', 'M', 'O'}));
    struct stat info;
    ASSERT_EQ(stat(dir.File("demo.exe").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IXUSR, 0u);

    std::string error = "stale";
    std::unique_ptr<Demo> played(LoadAppendedPackage(dir.File("demo.exe"), &error));
    ASSERT_NE(played, nullptr) << error;
    EXPECT_FLOAT_EQ(played->end_beat, 480.0f);
}

TEST_F(PackageTest, AnExecutableThatCarriesAPackageGetsASecondOneAndTheLastWins) {
    TempDir dir;
    samples::WriteFile(dir.File("velmara"), "binary");
    Demo first;
    first.bpm = 90.0f;
    ASSERT_TRUE(WriteStandaloneExecutable(first, dir.File("velmara"), dir.File("once.exe")));
    Demo second;
    second.bpm = 175.0f;
    ASSERT_TRUE(WriteStandaloneExecutable(second, dir.File("once.exe"), dir.File("twice.exe")));
    EXPECT_EQ(samples::ReadFile(dir.File("twice.exe")).size(), 6u + 60u + 60u);
    std::string error;
    std::unique_ptr<Demo> played(LoadAppendedPackage(dir.File("twice.exe"), &error));
    ASSERT_NE(played, nullptr) << error;
    EXPECT_FLOAT_EQ(played->bpm, 175.0f);
}

TEST_F(PackageTest, AnExportWithoutAReadableExecutableWritesNothing) {
    TempDir dir;
    Demo demo;
    EXPECT_FALSE(WriteStandaloneExecutable(demo, dir.File("absent"), dir.File("demo.exe")));
    EXPECT_FALSE(dir.Exists("demo.exe"));
}

/* === Round trips ========================================================== */

TEST_F(PackageTest, AFullDocumentSurvivesPackageDocumentPackage) {
    TempDir dir;
    std::unique_ptr<Demo> original(samples::MakeFullDemo(dir));
    std::string bytes = SavePackage(*original, dir);
    std::string error;
    std::unique_ptr<Demo> copy = LoadBytes(dir, bytes, &error);
    ASSERT_NE(copy, nullptr) << error;
    std::string again = SavePackage(*copy, dir, "again.demo");
    // Ids are the writers' addresses; everything else is byte for byte.
    EXPECT_EQ(again.size(), bytes.size());
    std::string description = samples::DescribePackage(bytes);
    EXPECT_EQ(samples::DescribePackage(again), description);
    EXPECT_EQ(description.find("TRUNCATED"), std::string::npos);
    EXPECT_EQ(description.find("EXTRA"), std::string::npos);
    // Both forms agree on the document.
    EXPECT_EQ(copy->ToJSON().ToText(), original->ToJSON().ToText());

    // The same texture twice: one id twice, two references to one object.
    ASSERT_EQ(copy->effects[0]->input_textures.size(), 2u);
    EXPECT_EQ(copy->effects[0]->input_textures[0], copy->textures[0]);
    EXPECT_EQ(copy->effects[0]->input_textures[1], copy->textures[0]);
    EXPECT_EQ(copy->effects[1]->input_effects[1], copy->effects[3]);
    EXPECT_EQ(copy->effects[1]->input_effects[2], nullptr);
    EXPECT_EQ(copy->events[2]->effect, nullptr);
    EXPECT_EQ(copy->effects[2]->vao, 0u);  // no program, no quad
    EXPECT_NE(copy->effects[0]->vao, 0u);
    EXPECT_EQ(copy->textures[0]->width, 2);
    EXPECT_NE(copy->shaders[1]->program, 0u);
}

TEST_F(PackageTest, CurvesComeBackInAscendingOrderOfName) {
    TempDir dir;
    Demo demo;
    Event* event = new Event("e", nullptr, 0.0f, 1.0f);
    event->automation["zeta"].mode = 0;
    event->automation["alpha"].repeat = true;
    event->automation["Mid"].control_points.emplace_back(1.0f, 2.0f);
    demo.events.push_back(event);
    std::string description = samples::DescribePackage(SavePackage(demo, dir));
    size_t mid = description.find("\"Mid\"");
    size_t alpha = description.find("\"alpha\"");
    size_t zeta = description.find("\"zeta\"");
    ASSERT_NE(zeta, std::string::npos);
    EXPECT_LT(mid, alpha);
    EXPECT_LT(alpha, zeta);
}

TEST_F(PackageTest, AProgramOutsideTheDocumentIsWrittenByIdAndReadsBackNull) {
    TempDir dir;
    Demo demo;
    ShaderProgram stranger;  // not in demo.shaders
    demo.effects.push_back(new Effect("uses a stranger", &stranger, nullptr, nullptr, false));
    std::string bytes = SavePackage(demo, dir);
    EXPECT_NE(samples::DescribePackage(bytes).find("program #2"), std::string::npos);
    std::unique_ptr<Demo> copy = LoadBytes(dir, bytes);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->effects[0]->program, nullptr);
    EXPECT_EQ(copy->effects[0]->vao, 0u);
}

TEST_F(PackageTest, AReferenceToAnObjectOfTheWrongKindReadsNull) {
    TempDir dir;
    PackageBuilder p;
    // An event whose effect id names the event itself, an effect whose program
    // and inputs name the event.
    p.U64(1).U64(7).U64(7).F32(0).F32(1).Text("e").U64(0);
    p.U64(1).U64(8).U64(1).U64(7).U64(1).U64(7).U64(7).Text("fx").Flag(true);
    p.U64(0).U64(0).U64(0).Timing();
    std::string error;
    std::unique_ptr<Demo> demo = LoadBytes(dir, p.bytes, &error);
    ASSERT_NE(demo, nullptr) << error;
    EXPECT_EQ(demo->events[0]->effect, nullptr);
    EXPECT_EQ(demo->effects[0]->program, nullptr);
    EXPECT_EQ(demo->effects[0]->input_textures, (std::vector<Texture*>{nullptr}));
    EXPECT_EQ(demo->effects[0]->input_effects, (std::vector<Effect*>{nullptr}));
    EXPECT_TRUE(demo->effects[0]->feedback);
}

TEST_F(PackageTest, AnyNonZeroFlagByteReadsTrue) {
    TempDir dir;
    PackageBuilder p;
    p.U64(0).U64(1).U64(9).U64(0).U64(0).U64(0).Text("fx");
    p.bytes.push_back(static_cast<char>(0x80));
    p.U64(0).U64(0).U64(0).Timing();
    std::unique_ptr<Demo> demo = LoadBytes(dir, p.bytes);
    ASSERT_NE(demo, nullptr);
    EXPECT_TRUE(demo->effects[0]->feedback);
}

/* === Damaged packages ===================================================== */

// A small package with one object of every kind.
std::string SmallPackage(const TempDir& dir) {
    Demo demo;
    ShaderProgram* program = new ShaderProgram();
    program->vertex_shader_source = "v";
    program->fragment_shader_source = "f";
    program->uniform_defs.push_back(new UniformDef("u", 0.0f, 1.0f, 0.5f));
    demo.shaders.push_back(program);
    samples::WriteFile(dir.File("t.bin"), "xyz");
    Texture* texture = new Texture(dir.File("t.bin").c_str());
    texture->name = "t";
    demo.textures.push_back(texture);
    Effect* effect = new Effect("fx", program, texture, nullptr, true);
    demo.effects.push_back(effect);
    Event* event = new Event("ev", effect, 0.0f, 2.0f);
    event->automation["u"].control_points.emplace_back(0.0f, 1.0f);
    demo.events.push_back(event);
    delete demo.music;
    demo.music = new ByteBuffer("tune", 4);
    return SavePackage(demo, dir);
}

TEST_F(PackageTest, APNGWithAChunkPastItsEndIsATextureUndecodedAndThePackageStillLoads) {
    TempDir dir;
    std::string package = samples::ReadFile(VELMARA_SOURCE_DIR "/fuzz/corpus/package/image-long-chunk.demo");
    std::string png = samples::MediaSample("image-long-chunk.png");
    std::string error;
    std::unique_ptr<Demo> loaded = LoadBytes(dir, package, &error);
    ASSERT_NE(loaded, nullptr) << error;
    ASSERT_EQ(loaded->textures.size(), 1u);
    EXPECT_EQ(loaded->textures[0]->id, 0u);
    ASSERT_EQ(loaded->textures[0]->image_buffer->length, png.size());
    EXPECT_EQ(std::string(reinterpret_cast<char*>(loaded->textures[0]->image_buffer->data), png.size()), png);
}

TEST_F(PackageTest, EveryTruncationOfAValidPackageIsRefused) {
    TempDir dir;
    std::string bytes = SmallPackage(dir);
    ASSERT_NE(LoadBytes(dir, bytes), nullptr);
    for (size_t length = 0; length < bytes.size(); ++length) {
        std::string error;
        EXPECT_EQ(LoadBytes(dir, bytes.substr(0, length), &error), nullptr) << "length " << length;
    }
}

TEST_F(PackageTest, BytesAfterTheEndOfThePackageAreRefused) {
    TempDir dir;
    std::string error;
    EXPECT_EQ(LoadBytes(dir, SmallPackage(dir) + "x", &error), nullptr);
    EXPECT_NE(error.find("after its end"), std::string::npos) << error;
}

TEST_F(PackageTest, AbsurdCountsAndLengthsAreRefusedBeforeAnythingIsAllocated) {
    TempDir dir;
    const uint64_t huge = ~0ull;
    std::vector<std::string> packages;
    packages.push_back(PackageBuilder().U64(huge).bytes);                                     // events
    packages.push_back(PackageBuilder().U64(1ull << 62).U64(0).U64(0).U64(0).U64(0).Timing().bytes);
    packages.push_back(PackageBuilder().U64(0).U64(0).U64(0).U64(0).U64(huge).Timing().bytes);  // music
    packages.push_back(PackageBuilder().U64(0).U64(0).U64(0).U64(0).U64(1ull << 40).Timing().bytes);
    // An event name, a curve count and a point count that the file cannot hold.
    packages.push_back(PackageBuilder().U64(1).U64(5).U64(0).F32(0).F32(1).U64(huge - 3).bytes);
    packages.push_back(PackageBuilder().U64(1).U64(5).U64(0).F32(0).F32(1).Text("e").U64(huge).bytes);
    packages.push_back(
        PackageBuilder().U64(1).U64(5).U64(0).F32(0).F32(1).Text("e").U64(1).Text("c").U32(1).Flag(0).U64(huge / 8).bytes);
    // An effect's input counts, a program's strings and uniform count, a texture's bytes.
    packages.push_back(PackageBuilder().U64(0).U64(1).U64(5).U64(huge / 8 + 1).bytes);
    packages.push_back(PackageBuilder().U64(0).U64(1).U64(5).U64(0).U64(1ull << 61).bytes);
    packages.push_back(PackageBuilder().U64(0).U64(0).U64(1).U64(5).U64(huge).bytes);
    packages.push_back(
        PackageBuilder().U64(0).U64(0).U64(1).U64(5).Text("a").Text("b").Text("c").Text("d").U64(huge / 20).bytes);
    packages.push_back(PackageBuilder().U64(0).U64(0).U64(0).U64(1).U64(5).Text("t").U64(huge - 100).bytes);
    for (size_t i = 0; i < packages.size(); ++i) {
        packages[i] += std::string(64, '\0');  // room for a few more fields, never enough
        std::string error;
        EXPECT_EQ(LoadBytes(dir, packages[i], &error), nullptr) << "package " << i;
        if (i == 9) {
            EXPECT_EQ(error, "The package is shorter than a shader file name it holds.");
        }
    }
}

TEST_F(PackageTest, ObjectIdsMustBeNonZeroAndUnique) {
    TempDir dir;
    auto effect = [](PackageBuilder& p, uint64_t id) { p.U64(id).U64(0).U64(0).U64(0).Text("fx").Flag(false); };
    PackageBuilder zero;
    zero.U64(0).U64(1);
    effect(zero, 0);
    zero.U64(0).U64(0).U64(0).Timing();
    EXPECT_EQ(LoadBytes(dir, zero.bytes), nullptr);

    PackageBuilder twice;
    twice.U64(0).U64(2);
    effect(twice, 42);
    effect(twice, 42);
    twice.U64(0).U64(0).U64(0).Timing();
    EXPECT_EQ(LoadBytes(dir, twice.bytes), nullptr);

    PackageBuilder fine;
    fine.U64(0).U64(2);
    effect(fine, 42);
    effect(fine, 43);
    fine.U64(0).U64(0).U64(0).Timing();
    EXPECT_NE(LoadBytes(dir, fine.bytes), nullptr);
}

TEST_F(PackageTest, ARefusedPackageLeavesTheLoopedEventAlone) {
    TempDir dir;
    std::string bytes = SmallPackage(dir);
    Event looped("looped", nullptr, 0.0f, 4.0f);
    g_loop_event = &looped;
    EXPECT_EQ(LoadBytes(dir, bytes.substr(0, bytes.size() - 3)), nullptr);
    EXPECT_EQ(g_loop_event, &looped);
    g_loop_event = nullptr;
}

TEST_F(PackageTest, ABodyReadOutsideALoadStopsAtTheEndOfTheFile) {
    TempDir dir;
    samples::WriteFile(dir.File("event.bin"), PackageBuilder().U64(0).F32(1).F32(2).U64(~0ull).bytes);
    FILE* file = std::fopen(dir.File("event.bin").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    Event event(file);
    std::fclose(file);
    EXPECT_EQ(event.name, "");
    EXPECT_TRUE(event.automation.empty());
    EXPECT_FLOAT_EQ(event.start_beat, 1.0f);
}

/* === The package behind an executable ===================================== */

TEST_F(PackageTest, AnExecutableWithoutTrailerHasNoPackageAndNoError) {
    TempDir dir;
    std::string error = "stale";
    samples::WriteFile(dir.File("plain"), "just a program, long enough to hold a trailer");
    EXPECT_EQ(LoadAppendedPackage(dir.File("plain"), &error), nullptr);
    EXPECT_EQ(error, "");
    samples::WriteFile(dir.File("tiny"), "DEMO");
    EXPECT_EQ(LoadAppendedPackage(dir.File("tiny"), &error), nullptr);
    EXPECT_EQ(error, "");
    EXPECT_EQ(LoadAppendedPackage(dir.File("absent"), &error), nullptr);
    EXPECT_NE(error, "");
}

TEST_F(PackageTest, ATrailerWhoseLengthDoesNotFitTheFileIsRefused) {
    TempDir dir;
    for (uint32_t length : {53u, 0xFFFFFFFFu, 0u}) {
        Demo demo;
        std::string bytes = "exe" + SavePackage(demo, dir);
        bytes += PackageBuilder().U32(length).bytes + "DEMO";
        samples::WriteFile(dir.File("bad.exe"), bytes);
        std::string error;
        EXPECT_EQ(LoadAppendedPackage(dir.File("bad.exe"), &error), nullptr) << length;
        EXPECT_NE(error, "") << length;
    }
}

TEST_F(PackageTest, EveryTruncationOfAnAppendedPackageIsRefused) {
    TempDir dir;
    std::string package = SmallPackage(dir);
    for (size_t length = 0; length < package.size(); length += 7) {
        std::string bytes = "exe" + package.substr(0, length) + PackageBuilder().U32(package.size()).bytes + "DEMO";
        samples::WriteFile(dir.File("cut.exe"), bytes);
        std::string error;
        EXPECT_EQ(LoadAppendedPackage(dir.File("cut.exe"), &error), nullptr) << length;
        EXPECT_NE(error, "");
    }
}

}  // namespace
