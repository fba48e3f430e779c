// The main of every test binary. Music is decoded in a child process of the
// running executable (MusicDecode.h), which in a test is the test binary
// itself: started with the decode argument, it decodes as the program does.
//
// Only here, the decoder can be made to misbehave, so that tests see the
// program survive it: VELMARA_TEST_DECODER set to "crash" (a segmentation
// fault), "quit" (ends well at once, taking none of its input), "hang"
// (never ends), "flood" (endless PCM), "flood-errors" (endless text on the
// error stream, then a hang), "grow" (takes memory without end), "garble"
// (fails with control and high bytes in its last line) or "descriptors"
// (fails with the list of its open descriptors, "descriptors 0 1 2", as its
// last line) does that instead of decoding.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <unistd.h>

#include <string>

#include "DecodeMode.h"

namespace {

[[noreturn]] void HangForever() {
    for (;;) pause();
}

void Misbehave(const char* how) {
    if (std::strcmp(how, "crash") == 0) {
        std::signal(SIGSEGV, SIG_DFL);  // past any sanitizer's own handler
        std::raise(SIGSEGV);
    } else if (std::strcmp(how, "quit") == 0) {
        _exit(0);
    } else if (std::strcmp(how, "hang") == 0) {
        HangForever();
    } else if (std::strcmp(how, "flood") == 0 || std::strcmp(how, "flood-errors") == 0) {
        int descriptor = std::strcmp(how, "flood") == 0 ? 1 : 2;
        std::vector<char> block(1 << 16, 'x');
        while (write(descriptor, block.data(), block.size()) > 0) {
        }
        HangForever();
    } else if (std::strcmp(how, "garble") == 0) {
        static const char kGarbled[] = "a line before\nbad\t\x01\x1b[31m \xff\xfe end\n";
        if (write(2, kGarbled, sizeof kGarbled - 1) < 0) _exit(2);
        _exit(1);
    } else if (std::strcmp(how, "descriptors") == 0) {
        std::string list = "descriptors";
        DIR* dir = opendir("/proc/self/fd");
        if (dir == nullptr) _exit(2);
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.' && std::atoi(entry->d_name) != dirfd(dir)) list += std::string(" ") + entry->d_name;
        }
        closedir(dir);
        list += "\n";
        if (write(2, list.data(), list.size()) < 0) _exit(2);
        _exit(1);
    } else if (std::strcmp(how, "grow") == 0) {
        for (;;) {
            char* taken = static_cast<char*>(std::malloc(1 << 20));
            if (taken == nullptr) HangForever();
            std::memset(taken, 1, 1 << 20);  // resident, not only reserved
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (IsDecodeMode(argc, argv)) {
        if (const char* how = std::getenv("VELMARA_TEST_DECODER")) Misbehave(how);
        RunMusicDecoder();
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
