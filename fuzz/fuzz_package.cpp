// Fuzz target for the package reader: the input is loaded as a package file
// and as an executable with an appended package. Nothing may crash, trip a
// sanitizer or allocate more than the input holds; a package that loads is
// saved again, and what was saved must load too. It runs under a virtual X
// display (see GLContext.h).
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "Demo.h"
#include "Documents.h"
#include "GLContext.h"

namespace {

std::string g_directory;
std::string g_input_path;
std::string g_output_path;

void RemoveFiles() {
    std::remove(g_input_path.c_str());
    std::remove(g_output_path.c_str());
    std::remove(g_directory.c_str());
}

bool WriteInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(g_input_path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    MakeHiddenGLContext("fuzz_package");
    char pattern[] = "/tmp/fuzz_package-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    g_directory = pattern;
    g_input_path = g_directory + "/input";
    g_output_path = g_directory + "/output";
    std::atexit(RemoveFiles);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!WriteInput(data, size)) return 0;
    std::string error;
    Demo* demo = LoadDemoPackage(g_input_path, &error);
    if (demo != nullptr) {
        if (!SaveDemoPackage(*demo, g_output_path)) std::abort();
        Demo* again = LoadDemoPackage(g_output_path, &error);
        if (again == nullptr) {
            std::fprintf(stderr, "a saved package does not load: %s\n", error.c_str());
            std::abort();
        }
        delete again;
        delete demo;
    }
    delete LoadAppendedPackage(g_input_path, &error);
    return 0;
}
