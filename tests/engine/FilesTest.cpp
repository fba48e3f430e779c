// Whole-file reads and writes, the package String, and the platform layer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Files.h"
#include "Platform.h"
#include "TempDir.h"

using testutil::TempDir;

/* === ReadWholeFile ======================================================= */

TEST(ReadWholeFile, ReturnsTheBytesFollowedByAZeroByteAndTheLength) {
    TempDir dir;
    std::string bytes("ab\0c\r\n\xff", 7);
    ASSERT_TRUE(dir.Write("data.bin", bytes));
    uint32_t size = 99;
    char* read = ReadWholeFile(dir.File("data.bin").c_str(), &size);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(std::string(read, size), bytes);
    EXPECT_EQ(read[7], '\0');
    std::free(read);
}

TEST(ReadWholeFile, AnEmptyFileGivesOnlyTheZeroByteAndSizeZero) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("empty", ""));
    uint32_t size = 99;
    char* read = ReadWholeFile(dir.File("empty").c_str(), &size);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(read[0], '\0');
    std::free(read);
}

TEST(ReadWholeFile, AMissingFileOrADirectoryReportsFailureWithSizeZero) {
    TempDir dir;
    uint32_t size = 99;
    EXPECT_EQ(ReadWholeFile(dir.File("missing").c_str(), &size), nullptr);
    EXPECT_EQ(size, 0u);
    size = 99;
    EXPECT_EQ(ReadWholeFile(dir.Path().c_str(), &size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(ReadWholeFile(nullptr, &size), nullptr);
    EXPECT_EQ(ReadWholeFile(dir.File("missing").c_str()), nullptr);  // size is optional
}

TEST(ReadWholeFile, OpensStoredBackslashNamesWithSlashes) {
    TempDir dir;
    ASSERT_EQ(mkdir(dir.File("resources").c_str(), 0755), 0);
    ASSERT_TRUE(dir.Write("resources/a.frag", "void main() {}"));
    std::string stored = dir.Path() + "/resources\\a.frag";
    uint32_t size = 0;
    char* read = ReadWholeFile(stored.c_str(), &size);
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(read, "void main() {}");
    std::free(read);
}

/* === WriteWholeFile ====================================================== */

// This binary is linked with --wrap=open: the permission bits of the last
// file the engine created, as they were before a byte was written to it.
static mode_t g_created_mode;

extern "C" int __real_open(const char* path, int flags, ...);

extern "C" int __wrap_open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    mode_t mode = (flags & O_CREAT) ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
    va_end(arguments);
    int fd = __real_open(path, flags, mode);
    struct stat info;
    if (fd >= 0 && (flags & O_CREAT) && fstat(fd, &info) == 0) g_created_mode = info.st_mode & 07777;
    return fd;
}

TEST(WriteWholeFile, CreatesOrReplacesTheFileWithExactlyTheBytes) {
    TempDir dir;
    std::string path = dir.File("out.txt");
    ASSERT_TRUE(dir.Write("out.txt", "a much longer old content"));
    std::string bytes("new\0bytes", 9);
    EXPECT_TRUE(WriteWholeFile(path.c_str(), bytes.data(), bytes.size()));
    EXPECT_EQ(dir.Read("out.txt"), bytes);
    EXPECT_TRUE(WriteWholeFile(path.c_str(), nullptr, 0));
    EXPECT_TRUE(dir.Exists("out.txt"));
    EXPECT_EQ(dir.Read("out.txt"), "");
}

TEST(WriteWholeFile, AFailedWriteReportsFalseAndLeavesNoTemporaryFileBehind) {
    TempDir dir;
    // A directory in the way: the rename cannot replace it.
    ASSERT_EQ(mkdir(dir.File("taken").c_str(), 0755), 0);
    ASSERT_TRUE(dir.Write("taken/keep", "kept"));
    EXPECT_FALSE(WriteWholeFile(dir.File("taken").c_str(), "xyz", 3));
    EXPECT_EQ(dir.Read("taken/keep"), "kept");
    EXPECT_FALSE(dir.Exists("taken.velmara-tmp"));
    // A directory that does not exist.
    EXPECT_FALSE(WriteWholeFile(dir.File("nowhere/out.txt").c_str(), "xyz", 3));
    EXPECT_FALSE(WriteWholeFile(nullptr, "xyz", 3));
}

TEST(WriteWholeFile, WritesStoredBackslashNamesWithSlashes) {
    TempDir dir;
    ASSERT_EQ(mkdir(dir.File("render").c_str(), 0755), 0);
    std::string stored = dir.Path() + "/render\\00001.txt";
    EXPECT_TRUE(WriteWholeFile(stored.c_str(), "frame", 5));
    EXPECT_EQ(dir.Read("render/00001.txt"), "frame");
}

TEST(WriteWholeFile, SavesThroughLinksAndKeepsThePermissionBits) {
    TempDir dir;
    ASSERT_EQ(mkdir(dir.File("real").c_str(), 0755), 0);
    ASSERT_TRUE(dir.Write("real/doc.json", "old"));
    ASSERT_EQ(chmod(dir.File("real/doc.json").c_str(), 0640), 0);
    // A relative link, and an absolute link to that link.
    ASSERT_EQ(symlink("real/doc.json", dir.File("near").c_str()), 0);
    ASSERT_EQ(symlink(dir.File("near").c_str(), dir.File("far").c_str()), 0);
    EXPECT_TRUE(WriteWholeFile(dir.File("far").c_str(), "new", 3));
    struct stat info;
    ASSERT_EQ(lstat(dir.File("far").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(lstat(dir.File("near").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(dir.Read("real/doc.json"), "new");
    ASSERT_EQ(stat(dir.File("real/doc.json").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_FALSE(dir.Exists("real/doc.json.velmara-tmp"));

    // An executable keeps its bits; a dangling link creates its target.
    ASSERT_EQ(chmod(dir.File("real/doc.json").c_str(), 0755), 0);
    EXPECT_TRUE(WriteWholeFile(dir.File("near").c_str(), "again", 5));
    ASSERT_EQ(stat(dir.File("real/doc.json").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
    ASSERT_EQ(symlink("real/made.json", dir.File("dangling").c_str()), 0);
    EXPECT_TRUE(WriteWholeFile(dir.File("dangling").c_str(), "made", 4));
    EXPECT_EQ(dir.Read("real/made.json"), "made");
    // A loop of links is saved as a plain file in place of the first one.
    ASSERT_EQ(symlink("loop-b", dir.File("loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", dir.File("loop-b").c_str()), 0);
    EXPECT_TRUE(WriteWholeFile(dir.File("loop-a").c_str(), "x", 1));
    EXPECT_EQ(dir.Read("loop-a"), "x");
}

TEST(WriteWholeFile, APrivateFileIsNeverOpenToOthersWhileItIsWritten) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("private.json", "old secret"));
    ASSERT_EQ(chmod(dir.File("private.json").c_str(), 0600), 0);
    mode_t umask_before = umask(0);  // no umask to hide a default 0644 or 0666
    g_created_mode = 0;
    EXPECT_TRUE(WriteWholeFile(dir.File("private.json").c_str(), "new secret", 10));
    umask(umask_before);
    EXPECT_EQ(g_created_mode, 0600u) << std::oct << g_created_mode;
}

// A link planted at the temporary name, live or dangling, is not followed, and
// a name that is taken, by a link or a file a crashed save left, means the next.
TEST(WriteWholeFile, ATakenTemporaryNameIsNeitherFollowedNorFatal) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("doc.json", "old"));
    ASSERT_TRUE(dir.Write("victim", "untouched"));
    ASSERT_EQ(symlink(dir.File("victim").c_str(), dir.File("doc.json.velmara-tmp").c_str()), 0);
    ASSERT_EQ(symlink(dir.File("made").c_str(), dir.File("doc.json.velmara-tmp1").c_str()), 0);
    ASSERT_TRUE(dir.Write("doc.json.velmara-tmp2", "left by a crash"));
    EXPECT_TRUE(WriteWholeFile(dir.File("doc.json").c_str(), "new", 3));
    EXPECT_EQ(dir.Read("doc.json"), "new");
    EXPECT_EQ(dir.Read("victim"), "untouched");
    EXPECT_FALSE(dir.Exists("made"));
}

/* === Package Strings ===================================================== */

static std::string WrittenString(const std::string& text) {
    FILE* file = std::tmpfile();
    WriteString(text, file);
    long length = std::ftell(file);
    std::string bytes(static_cast<size_t>(length), '\0');
    std::rewind(file);
    size_t got = std::fread(&bytes[0], 1, bytes.size(), file);
    std::fclose(file);
    bytes.resize(got);
    return bytes;
}

static FILE* FileHolding(const std::string& bytes) {
    FILE* file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    return file;
}

TEST(PackageString, IsALittleEndianLengthThenTheBytesWithoutTerminator) {
    EXPECT_EQ(WrittenString(""), std::string(8, '\0'));
    EXPECT_EQ(WrittenString("hé"), std::string("\x03\0\0\0\0\0\0\0h\xc3\xa9", 11));
    std::string long_text(300, 'x');
    std::string bytes = WrittenString(long_text);
    ASSERT_EQ(bytes.size(), 308u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0x2C);
    EXPECT_EQ(static_cast<uint8_t>(bytes[1]), 0x01);
}

TEST(PackageString, ReadsBackWhatWasWrittenInSequence) {
    std::string binary("a\0b\xff", 4);
    FILE* file = FileHolding(WrittenString("first") + WrittenString("") + WrittenString(binary));
    EXPECT_EQ(ReadString(file), "first");
    EXPECT_EQ(ReadString(file), "");
    std::string text;
    EXPECT_TRUE(ReadStringChecked(file, text));
    EXPECT_EQ(text, binary);
    EXPECT_FALSE(ReadStringChecked(file, text));  // nothing left
    std::fclose(file);
}

TEST(PackageString, ATruncatedStringIsRefused) {
    std::string full = WrittenString("truncated");
    for (size_t cut = 0; cut < full.size(); ++cut) {
        FILE* file = FileHolding(full.substr(0, cut));
        std::string text = "old";
        EXPECT_FALSE(ReadStringChecked(file, text)) << "cut at " << cut;
        EXPECT_EQ(text, "");
        std::fclose(file);
    }
}

TEST(PackageString, AnAbsurdLengthIsRefusedWithoutAllocatingIt) {
    // 2^62 bytes announced, 3 present.
    FILE* file = FileHolding(std::string("\0\0\0\0\0\0\0\x40" "abc", 11));
    std::string text;
    EXPECT_FALSE(ReadStringChecked(file, text));
    std::fclose(file);
}

/* === Platform ============================================================ */

TEST(Platform, NativePathTurnsBackslashesIntoSlashesAndKeepsTheRest) {
    EXPECT_EQ(NativePath("resources\\default.vert"), "resources/default.vert");
    EXPECT_EQ(NativePath("render\\%05d.png"), "render/%05d.png");
    EXPECT_EQ(NativePath("plain/name.json"), "plain/name.json");
    EXPECT_EQ(NativePath(""), "");
}

TEST(Platform, ExecutablePathIsTheRunningFile) {
    std::string path = ExecutablePath();
    ASSERT_FALSE(path.empty());
    char resolved[PATH_MAX];
    ASSERT_NE(realpath("/proc/self/exe", resolved), nullptr);
    EXPECT_EQ(path, resolved);
}

TEST(Platform, MakeExecutableSetsTheExecuteBitsForReaders) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("demo.exe", "bytes"));
    ASSERT_EQ(chmod(dir.File("demo.exe").c_str(), 0640), 0);
    EXPECT_TRUE(MakeExecutable(dir.File("demo.exe")));
    struct stat info;
    ASSERT_EQ(stat(dir.File("demo.exe").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0750u);
    EXPECT_FALSE(MakeExecutable(dir.File("missing")));
}

TEST(Platform, RenameReplacingSwapsInTheNewFile) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("old", "old"));
    ASSERT_TRUE(dir.Write("new", "new"));
    EXPECT_TRUE(RenameReplacing(dir.File("new"), dir.File("old")));
    EXPECT_EQ(dir.Read("old"), "new");
    EXPECT_FALSE(dir.Exists("new"));
    EXPECT_FALSE(RenameReplacing(dir.File("new"), dir.File("old")));
    EXPECT_EQ(dir.Read("old"), "new");
}
