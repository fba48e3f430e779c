#include <GL/glew.h>

#include <cstring>

#include "GLFixture.h"

using GLContextTest = GLTest;

TEST_F(GLContextTest, TheContextRunsGLSL150AndDrawsIntoTheBackBuffer) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION));
    ASSERT_NE(version, nullptr);
    GLint major = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    EXPECT_GE(major, 3);

    testgl::Clear(1.0f, 0.5f, 0.0f, 1.0f);
    testgl::Pixel p = testgl::ReadPixel(3, 4);
    EXPECT_EQ(p.r, 255);
    EXPECT_NEAR(p.g, 128, 1);
    EXPECT_EQ(p.b, 0);
}
