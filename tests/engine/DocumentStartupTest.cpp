// The start-up choice of document: "content.dat.json" in the working
// directory, else a package appended to the executable, else the empty one.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "DocumentSamples.h"
#include "Documents.h"
#include "GLFixture.h"
#include "Music.h"
#include "MusicPlayer.h"
#include "Process.h"

namespace {

class DocumentStartupTest : public GLTest {
protected:
    // An "executable" with a package of a document at the given tempo appended.
    std::string PackagedExecutable(float bpm) {
        samples::WriteFile(dir_.File("velmara"), "pretend this is the program");
        Demo demo;
        demo.bpm = bpm;
        EXPECT_TRUE(WriteStandaloneExecutable(demo, dir_.File("velmara"), dir_.File("player")));
        return dir_.File("player");
    }

    std::unique_ptr<Demo> Choose(const std::string& exe) {
        samples::WorkingDirectory cwd(dir_.Path());
        return std::unique_ptr<Demo>(ChooseStartupDocument(exe, &packaged_, name_));
    }

    samples::TempDir dir_;
    char name_[256] = "untitled.demo";
    bool packaged_ = true;
};

TEST_F(DocumentStartupTest, ContentDatJsonComesFirstAndNamesTheDocument) {
    Demo content;
    content.bpm = 99.0f;
    ASSERT_TRUE(SaveDemoJSON(content, dir_.File("content.dat.json")));
    std::unique_ptr<Demo> demo = Choose(PackagedExecutable(150.0f));
    ASSERT_NE(demo, nullptr);
    EXPECT_FLOAT_EQ(demo->bpm, 99.0f);
    EXPECT_STREQ(name_, "content.dat");
    EXPECT_FALSE(packaged_);
}

TEST_F(DocumentStartupTest, ContentDatJsonReadBeforeTheWindowOpensIsBuiltLaterWithItsMusicDecodedAhead) {
    Demo content;
    content.bpm = 99.0f;
    const std::string wav = samples::MakeRampWav(4800);
    delete content.music;
    content.music = new ByteBuffer(wav.data(), wav.size());
    ASSERT_TRUE(SaveDemoJSON(content, dir_.File("content.dat.json")));
    {
        samples::WorkingDirectory cwd(dir_.Path());
        ReadStartupDocument();
    }
    // The document is what was read then, not what stands in the file now.
    samples::WriteFile(dir_.File("content.dat.json"), R"({"bpm": 33.0})");
    // A decoder started from now on would crash: the music plays only
    // because its decode started when the file was read.
    setenv("VELMARA_TEST_DECODER", "crash", 1);
    std::unique_ptr<Demo> demo = Choose(PackagedExecutable(150.0f));
    ASSERT_NE(demo, nullptr);
    EXPECT_FLOAT_EQ(demo->bpm, 99.0f);
    EXPECT_STREQ(name_, "content.dat");
    std::string refused;
    demo->PlayMusic(&refused);
    unsetenv("VELMARA_TEST_DECODER");
    EXPECT_EQ(refused, "");
    EXPECT_EQ(MusicLength(), 4800u);
    StopMusic();
}

TEST_F(DocumentStartupTest, AContentFileThatFailsAfterItsMusicBeganDecodingCallsThatDecodeOff) {
    // Good music, and a texture whose bytes are not base64: the document
    // fails only once it is built, after the music's decode has started.
    Demo content;
    const std::string wav = samples::MakeRampWav(4800);
    delete content.music;
    content.music = new ByteBuffer(wav.data(), wav.size());
    ASSERT_TRUE(SaveDemoJSON(content, dir_.File("content.dat.json")));
    std::string text = samples::ReadFile(dir_.File("content.dat.json"));
    text.insert(text.rfind('}'), R"(, "textures": [{"name": "t", "image_buffer": "%%%"}])");
    samples::WriteFile(dir_.File("content.dat.json"), text);
    const std::vector<std::string> children = testproc::Children();
    setenv("VELMARA_TEST_DECODER", "hang", 1);  // a decode that would hold on until called off
    {
        samples::WorkingDirectory cwd(dir_.Path());
        ReadStartupDocument();
    }
    unsetenv("VELMARA_TEST_DECODER");
    EXPECT_EQ(testproc::Children().size(), children.size() + 1);
    testing::internal::CaptureStderr();
    std::unique_ptr<Demo> demo = Choose(PackagedExecutable(150.0f));
    std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NE(demo, nullptr);
    EXPECT_TRUE(packaged_);  // the package behind the executable plays instead
    EXPECT_NE(said.find("content.dat.json"), std::string::npos) << said;
    // The decode was called off: its child is gone, and its PCM with it.
    EXPECT_EQ(testproc::Children(), children);
    DropMusicAhead();
}

TEST_F(DocumentStartupTest, AnAppendedPackageMakesAPlayer) {
    std::unique_ptr<Demo> demo = Choose(PackagedExecutable(150.0f));
    ASSERT_NE(demo, nullptr);
    EXPECT_FLOAT_EQ(demo->bpm, 150.0f);
    EXPECT_TRUE(packaged_);
    EXPECT_STREQ(name_, "untitled.demo");
}

TEST_F(DocumentStartupTest, AContentFileThatCannotBeBuiltFallsThroughAndSaysWhy) {
    samples::WriteFile(dir_.File("content.dat.json"), R"({"bpm": 99.0, "music": "%%%"})");
    std::string exe = PackagedExecutable(150.0f);
    testing::internal::CaptureStderr();
    std::unique_ptr<Demo> demo = Choose(exe);
    std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NE(demo, nullptr);
    EXPECT_FLOAT_EQ(demo->bpm, 150.0f);
    EXPECT_TRUE(packaged_);
    EXPECT_STREQ(name_, "untitled.demo");
    EXPECT_NE(said.find("content.dat.json"), std::string::npos) << said;
    EXPECT_NE(said.find("Input is not valid base64-encoded data."), std::string::npos) << said;
}

TEST_F(DocumentStartupTest, WithNeitherTheEmptyDocumentPlays) {
    samples::WriteFile(dir_.File("velmara"), "a program without any package behind it");
    for (const std::string& exe : {dir_.File("velmara"), dir_.File("missing"), std::string()}) {
        packaged_ = true;
        std::unique_ptr<Demo> demo = Choose(exe);
        ASSERT_NE(demo, nullptr);
        EXPECT_TRUE(demo->events.empty());
        EXPECT_FLOAT_EQ(demo->end_beat, 480.0f);
        EXPECT_FLOAT_EQ(demo->bpm, 130.0f);
        EXPECT_FLOAT_EQ(demo->beat_offset, 0.5f);
        EXPECT_FALSE(packaged_);
    }
}

TEST_F(DocumentStartupTest, ADamagedAppendedPackageGivesTheEmptyDocumentAndSaysWhy) {
    std::string bytes = samples::ReadFile(PackagedExecutable(150.0f));
    bytes[bytes.size() - 8] = 60;  // the length now reaches into the program
    samples::WriteFile(dir_.File("damaged"), bytes);
    testing::internal::CaptureStderr();
    std::unique_ptr<Demo> demo = Choose(dir_.File("damaged"));
    std::string said = testing::internal::GetCapturedStderr();
    ASSERT_NE(demo, nullptr);
    EXPECT_FLOAT_EQ(demo->bpm, 130.0f);
    EXPECT_FALSE(packaged_);
    EXPECT_NE(said.find("package"), std::string::npos) << said;
}

}  // namespace
