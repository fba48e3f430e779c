// Shader programs: compiling, the log rule, linking and relinking into the
// same objects, the location lookups, and the shader files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "Files.h"
#include "RenderHelpers.h"
#include "TempDir.h"

using testrender::Fragment;
using testrender::MakeProgram;
using testrender::RenderTest;
using testrender::Solid;
using testutil::TempDir;

using ShaderProgramTest = RenderTest;

static std::string DriverLog(GLuint shader) {
    char text[1024] = {0};
    glGetShaderInfoLog(shader, sizeof text, nullptr, text);
    return text;
}

TEST_F(ShaderProgramTest, TheDefaultProgramHasTheDefaultFilesAndSources) {
    testing::internal::CaptureStdout();
    ShaderProgram program;
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(program.vertex_shader_filename, "resources\\default.vert");
    EXPECT_EQ(program.fragment_shader_filename, "resources\\untitled.frag");
    EXPECT_EQ(program.vertex_shader_source,
              "#version 150\n\nin vec3 vp;\n\nvoid main() {\ngl_Position = vec4(vp, 1.0);\n}\n");
    EXPECT_EQ(program.fragment_shader_source, "");
    EXPECT_TRUE(program.uniform_defs.empty());
    EXPECT_NE(program.vertex_shader, 0u);
    EXPECT_NE(program.fragment_shader, 0u);
    EXPECT_NE(program.program, 0u);
    EXPECT_EQ(DriverLog(program.vertex_shader), "");  // the vertex shader compiles cleanly
    // An empty fragment shader does not link. The log is its compile log, as
    // the driver reports it, followed by the link's; both are printed.
    EXPECT_FALSE(program.linked);
    std::string driver = DriverLog(program.fragment_shader);
    char link[1024] = {0};
    glGetProgramInfoLog(program.program, sizeof link, nullptr, link);
    std::string linked_log = link[0] != '\0' ? link : "Linking failed.";
    if (driver.empty()) {
        EXPECT_EQ(program.log, linked_log);
        EXPECT_EQ(printed, linked_log + "\n");
    } else {
        std::string compiled = driver.back() == '\n' ? driver : driver + "\n";
        EXPECT_EQ(program.log, compiled + linked_log);
        EXPECT_EQ(printed, driver + "\n" + linked_log + "\n");
    }
}

TEST_F(ShaderProgramTest, ACleanCompileLogsCompilationSuccessful) {
    ShaderProgram* program = Add(MakeProgram(Solid(1, 0, 0)));
    EXPECT_EQ(program->log, "Compilation successful.");
}

// A source no earlier run compiled, so the driver's shader cache (which
// outlives a run) cannot answer for it.
static std::string UniqueToThisRun(const std::string& source) {
    static int counter = 0;
    return source + "// run " + std::to_string(::getpid()) + "-" + std::to_string(time(nullptr)) + "-" +
           std::to_string(++counter) + "\n";
}

TEST_F(ShaderProgramTest, ARecompileNeverShowsTheLogOfAnEarlierCompile) {
    // Good, bad, good again: the driver's cache knows the third source, and
    // must not hand back the second one's error with it.
    ShaderProgram* program = Add(new ShaderProgram());
    std::string good = UniqueToThisRun(Solid(0, 1, 0));
    std::string bad = UniqueToThisRun("#version 150\nvoid main() { broken_name = 1.0; }\n");
    for (int round = 0; round < 2; ++round) {
        program->fragment_shader_source = good;
        program->Relink();
        EXPECT_EQ(program->log, "Compilation successful.") << "round " << round;
        program->fragment_shader_source = bad;
        testing::internal::CaptureStdout();
        program->Relink();
        testing::internal::GetCapturedStdout();
        EXPECT_NE(program->log.find("broken_name"), std::string::npos) << "round " << round;
    }
    program->fragment_shader_source = good;
    program->Relink();
    EXPECT_EQ(program->log, "Compilation successful.");
    Add(new Effect("e", program, nullptr, nullptr, false))->Render();
    EXPECT_PIXEL_NEAR(testgl::ReadPixel(1, 1), 0, 255, 0);  // the good source runs again
}

TEST_F(ShaderProgramTest, AWarningIsShownEvenWhenItsWordsMentionError) {
    ShaderProgram* program = Add(new ShaderProgram());
    program->fragment_shader_source =
        UniqueToThisRun("#version 150\nout vec4 c;\nvoid main() { float terror; c = vec4(terror); }\n");
    testing::internal::CaptureStdout();
    program->Relink();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(program->log.find("terror"), std::string::npos) << program->log;
    EXPECT_EQ(printed, program->log + "\n");
}

TEST_F(ShaderProgramTest, TheLogIsTheFragmentShadersAndTheVertexLogIsOnlyPrinted) {
    ShaderProgram* program = Add(new ShaderProgram());
    program->vertex_shader_source = "#version 150\nvoid main() { gl_Position = undeclared_thing; }\n";
    program->fragment_shader_source = Solid(1, 0, 0);
    testing::internal::CaptureStdout();
    program->Compile();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("undeclared_thing"), std::string::npos);
    EXPECT_EQ(program->log, "Compilation successful.");

    program->vertex_shader_source = ShaderProgram().vertex_shader_source;
    program->fragment_shader_source = "#version 150\nvoid main() { broken_name = 1.0; }\n";
    testing::internal::CaptureStdout();
    program->Compile();
    testing::internal::GetCapturedStdout();
    EXPECT_NE(program->log.find("broken_name"), std::string::npos);
}

TEST_F(ShaderProgramTest, AProgramThatDoesNotLinkSaysWhyAndDrawsOnceFixedAndRelinked) {
    ShaderProgram* program = Add(MakeProgram(Solid(0, 1, 0)));
    EXPECT_TRUE(program->linked);
    // It compiles: a fragment shader need not have main until it is linked.
    program->fragment_shader_source = UniqueToThisRun("#version 150\nout vec4 color;\n");
    testing::internal::CaptureStdout();
    program->Relink();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(program->linked);
    GLint status = GL_TRUE;
    glGetProgramiv(program->program, GL_LINK_STATUS, &status);
    ASSERT_EQ(status, GL_FALSE);
    // The log is the link's, as the driver says it, and printed as compile errors are.
    char driver[1024] = {0};
    glGetProgramInfoLog(program->program, sizeof driver, nullptr, driver);
    ASSERT_NE(driver[0], '\0');
    EXPECT_EQ(program->log, driver);
    EXPECT_NE(program->log.find("main"), std::string::npos) << program->log;
    EXPECT_EQ(printed, program->log + "\n");
    EXPECT_EQ(program->beat_location, -1);
    EXPECT_EQ(program->vp_location, -1);

    Effect* effect = Add(new Effect("e", program, nullptr, nullptr, false));
    Add(new Event("ev", effect, 0.0f, 8.0f));
    testgl::Clear(0, 0, 1, 1);
    EXPECT_EQ(demo->Render(1.0f), nullptr);
    EXPECT_PIXEL_NEAR(testgl::ReadPixel(1, 1), 0, 0, 255);

    program->fragment_shader_source = Solid(1, 0, 0);
    program->Relink();
    EXPECT_TRUE(program->linked);
    EXPECT_EQ(program->log, "Compilation successful.");
    EXPECT_EQ(demo->Render(1.0f), effect);
    EXPECT_PIXEL_NEAR(testgl::ReadPixel(1, 1), 255, 0, 0);
}

TEST_F(ShaderProgramTest, ALongLogIsKeptCutTo1023Characters) {
    std::string body;
    for (int i = 0; i < 200; ++i) body += "float v" + std::to_string(i) + " = undeclared_" + std::to_string(i) + ";\n";
    ShaderProgram* program = Add(new ShaderProgram());
    program->fragment_shader_source = "#version 150\nvoid main() {\n" + body + "}\n";
    testing::internal::CaptureStdout();
    program->Compile();
    testing::internal::GetCapturedStdout();
    GLint full_length = 0;
    glGetShaderiv(program->fragment_shader, GL_INFO_LOG_LENGTH, &full_length);
    ASSERT_GT(full_length, 1024);
    EXPECT_EQ(program->log.size(), 1023u);
}

TEST_F(ShaderProgramTest, LocationsAreLookedUpByTheirNames) {
    std::string fragment = Fragment(
        "uniform float beat; uniform int sound; uniform sampler2D sound_texture; uniform sampler2D tex;"
        "uniform sampler2D tex1; uniform sampler2D tex15; uniform vec3 camera_position;"
        "uniform vec3 camera_rotation; uniform float unused_but_declared; uniform float level;",
        "color = vec4(beat + float(sound) + level + resolution.x + camera_position.x + camera_rotation.x,"
        " 0.0, 0.0, 1.0) + texture(tex, uv) + texture(tex1, uv) + texture(tex15, uv) +"
        " texture(sound_texture, uv);");
    ShaderProgram* program = Add(MakeProgram(fragment, {new UniformDef("level", 0, 1, 0),
                                                        new UniformDef("unused_but_declared", 0, 1, 0),
                                                        new UniformDef("not_declared", 0, 1, 0)}));
    ASSERT_EQ(program->log, "Compilation successful.");
    EXPECT_EQ(program->beat_location, glGetUniformLocation(program->program, "beat"));
    EXPECT_NE(program->beat_location, -1);
    EXPECT_NE(program->sound_location, -1);
    EXPECT_NE(program->sound_texture_location, -1);
    EXPECT_NE(program->tex_locations[0], -1);
    EXPECT_NE(program->tex_locations[1], -1);
    EXPECT_NE(program->tex_locations[15], -1);
    EXPECT_EQ(program->tex_locations[3], -1);  // never declared
    EXPECT_NE(program->resolution_location, -1);
    EXPECT_NE(program->camera_position_location, -1);
    EXPECT_NE(program->camera_rotation_location, -1);
    EXPECT_NE(program->vp_location, -1);
    EXPECT_EQ(program->vp_location, glGetAttribLocation(program->program, "vp"));
    EXPECT_NE(program->uniform_defs[0]->location, -1);
    EXPECT_EQ(program->uniform_defs[1]->location, -1);  // declared, never used
    EXPECT_EQ(program->uniform_defs[2]->location, -1);  // not in the shader
}

TEST_F(ShaderProgramTest, RelinkKeepsTheProgramObjectAndRefreshesEveryLocation) {
    ShaderProgram* program = Add(MakeProgram(
        Fragment("uniform float beat;", "color = vec4(beat, 0.0, 0.0, 1.0);")));
    GLuint vertex = program->vertex_shader, fragment = program->fragment_shader, linked = program->program;
    ASSERT_NE(program->beat_location, -1);
    ASSERT_EQ(program->sound_location, -1);

    program->fragment_shader_source =
        Fragment("uniform int sound; uniform float gain;", "color = vec4(float(sound) * gain, 0.0, 0.0, 1.0);");
    program->uniform_defs.push_back(new UniformDef("gain", 0, 1, 0));
    program->Relink();
    // Every compile makes fresh shader objects; the old ones are gone and
    // the program holds exactly the new pair.
    EXPECT_FALSE(glIsShader(vertex));
    EXPECT_FALSE(glIsShader(fragment));
    EXPECT_EQ(program->program, linked);
    GLuint attached[4] = {0, 0, 0, 0};
    GLsizei count = 0;
    glGetAttachedShaders(program->program, 4, &count, attached);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(attached[0] + attached[1], program->vertex_shader + program->fragment_shader);
    EXPECT_EQ(program->beat_location, -1);
    EXPECT_NE(program->sound_location, -1);
    EXPECT_NE(program->uniform_defs[0]->location, -1);
}

TEST_F(ShaderProgramTest, LoadChangesTheSourcesButTheProgramRunsTheOldCodeUntilRelink) {
    TempDir dir;
    ShaderProgram* program = Add(MakeProgram(Solid(1, 0, 0)));
    program->vertex_shader_filename = dir.File("v.vert");
    program->fragment_shader_filename = dir.File("f.frag");
    ASSERT_TRUE(dir.Write("v.vert", program->vertex_shader_source));
    ASSERT_TRUE(dir.Write("f.frag", Solid(0, 1, 0)));
    Effect* effect = Add(new Effect("e", program, nullptr, nullptr, false));

    testing::internal::CaptureStdout();
    program->Load();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "Loading file " + dir.File("v.vert") + "\nLoading file " + dir.File("f.frag") + "\n");
    EXPECT_EQ(program->fragment_shader_source, Solid(0, 1, 0));
    effect->Render();
    EXPECT_PIXEL_NEAR(testgl::ReadPixel(3, 3), 255, 0, 0);
    program->Relink();
    effect->Render();
    EXPECT_PIXEL_NEAR(testgl::ReadPixel(3, 3), 0, 255, 0);
}

TEST_F(ShaderProgramTest, LoadOfAFileThatCannotBeReadKeepsThatSource) {
    TempDir dir;
    ShaderProgram program;
    program.vertex_shader_filename = dir.File("missing.vert");
    program.fragment_shader_filename = dir.File("f.frag");
    ASSERT_TRUE(dir.Write("f.frag", "new fragment"));
    std::string vertex = program.vertex_shader_source;
    testing::internal::CaptureStdout();
    program.Load();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(program.vertex_shader_source, vertex);
    EXPECT_EQ(program.fragment_shader_source, "new fragment");
}

TEST_F(ShaderProgramTest, LoadFileKeepsEveryByteIncludingCarriageReturns) {
    TempDir dir;
    std::string bytes("line one\r\nline\0two\r\n", 21);
    ASSERT_TRUE(dir.Write("crlf.frag", bytes));
    testing::internal::CaptureStdout();
    EXPECT_EQ(ShaderProgram::LoadFile(dir.File("crlf.frag")), bytes);
    EXPECT_EQ(ShaderProgram::LoadFile(dir.File("missing.frag")), "");
    testing::internal::GetCapturedStdout();
}

TEST_F(ShaderProgramTest, SaveWritesBothFilesExactlyUnderTheirStoredNames) {
    TempDir dir;
    ASSERT_EQ(mkdir(dir.File("resources").c_str(), 0755), 0);
    testutil::ScopedWorkingDirectory in_dir(dir.Path());
    ShaderProgram program;
    program.fragment_shader_source = "void main() {}";  // no line feed at the end
    EXPECT_TRUE(program.Save());
    EXPECT_EQ(dir.Read("resources/default.vert"), program.vertex_shader_source);
    EXPECT_EQ(dir.Read("resources/untitled.frag"), "void main() {}");
}

TEST_F(ShaderProgramTest, SaveReportsAFileThatCannotBeWrittenAndStillWritesTheOther) {
    TempDir dir;
    ShaderProgram program;
    program.vertex_shader_filename = dir.File("no/such/dir/v.vert");
    program.fragment_shader_filename = dir.File("f.frag");
    program.fragment_shader_source = "fragment";
    EXPECT_FALSE(program.Save());
    EXPECT_EQ(dir.Read("f.frag"), "fragment");
}

TEST_F(ShaderProgramTest, TheShippedDefaultShadersCompileAndDraw) {
    std::string root = VELMARA_SOURCE_DIR;
    ShaderProgram* program = Add(new ShaderProgram());
    program->vertex_shader_filename = root + "/resources/default.vert";
    program->fragment_shader_filename = root + "/resources/untitled.frag";
    testing::internal::CaptureStdout();
    program->Load();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(program->vertex_shader_source, ShaderProgram().vertex_shader_source);
    program->Relink();
    EXPECT_EQ(program->log, "Compilation successful.");
    EXPECT_NE(program->beat_location, -1);
    Effect* effect = Add(new Effect("e", program, nullptr, nullptr, false));
    effect->Render();
    testgl::Pixel corner = testgl::ReadPixel(63, 47);  // the gradient's far corner is yellowish
    EXPECT_GT(corner.r, 200);
    EXPECT_GT(corner.g, 200);
}
