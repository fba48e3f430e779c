// Whole-file reads and writes, the package String, and the platform layer.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

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
    std::string error;
    EXPECT_EQ(ReadWholeFile(dir.File("missing").c_str(), &size, &error), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(error, "No such file or directory");
    size = 99;
    EXPECT_EQ(ReadWholeFile(dir.Path().c_str(), &size, &error), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(error, "Is a directory");
    EXPECT_EQ(ReadWholeFile(nullptr, &size), nullptr);
    EXPECT_EQ(ReadWholeFile(dir.File("missing").c_str()), nullptr);  // size is optional
}

// A FIFO would hold an open for reading until something writes to it, and a
// device may never end: neither is waited on, nor read.
TEST(ReadWholeFile, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
    TempDir dir;
    testutil::FifoGuard fifo(dir.File("untitled.demo.json"));
    ASSERT_TRUE(fifo.Made());
    long length = 99;
    std::string error;
    EXPECT_EQ(OpenForReading(dir.File("untitled.demo.json"), &length, &error), nullptr);
    EXPECT_EQ(error, "it is not a regular file");
    EXPECT_EQ(length, -1);
    EXPECT_FALSE(fifo.Rescued()) << "the open waited for a writer";
    uint32_t size = 99;
    EXPECT_EQ(ReadWholeFile(dir.File("untitled.demo.json").c_str(), &size, &error), nullptr);
    EXPECT_EQ(error, "it is not a regular file");
    EXPECT_EQ(size, 0u);
    std::string bytes = "old";
    EXPECT_FALSE(ReadWholeFileInto(dir.File("untitled.demo.json"), &bytes, &error));
    EXPECT_EQ(error, "it is not a regular file");
    EXPECT_EQ(bytes, "");
    EXPECT_FALSE(fifo.Rescued()) << "a read waited for a writer";
    // A device, a link to the FIFO, and a directory, which keeps its reason.
    EXPECT_EQ(OpenForReading("/dev/zero", &length, &error), nullptr);
    EXPECT_EQ(error, "it is not a regular file");
    ASSERT_EQ(symlink(dir.File("untitled.demo.json").c_str(), dir.File("link").c_str()), 0);
    EXPECT_EQ(OpenForReading(dir.File("link"), &length, &error), nullptr);
    EXPECT_EQ(error, "it is not a regular file");
    EXPECT_EQ(OpenForReading(dir.Path(), &length, &error), nullptr);
    EXPECT_EQ(error, "Is a directory");
    EXPECT_FALSE(fifo.Rescued());
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

// This binary is linked with --wrap=open, --wrap=fsync and --wrap=rename,
// so that these tests see every file the engine creates as it is created,
// and every sync and rename as it happens.

// The permission bits of the last file the engine created, as they were
// before a byte was written to it.
static mode_t g_created_mode;
// While above 0, each new file the engine creates finds a symbolic link to
// this victim planted at its name just before, as another process might.
static int g_plant_links = 0;
static std::string g_plant_victim;
// What happened, in order: 'f' a file synced, 'd' a folder synced, 'r' a rename.
static std::string g_sync_trace;
// The errno a file's or a folder's sync fails with; 0 syncs.
static int g_fail_file_sync = 0;
static int g_fail_folder_sync = 0;

extern "C" int __real_open(const char* path, int flags, ...);
extern "C" int __real_fsync(int fd);
extern "C" int __real_rename(const char* from, const char* to);

extern "C" int __wrap_open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    mode_t mode = (flags & O_CREAT) ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
    va_end(arguments);
    if ((flags & O_CREAT) && (flags & O_EXCL) && g_plant_links > 0) {
        --g_plant_links;
        if (symlink(g_plant_victim.c_str(), path) != 0) std::abort();
    }
    int fd = __real_open(path, flags, mode);
    struct stat info;
    if (fd >= 0 && (flags & O_CREAT) && fstat(fd, &info) == 0) g_created_mode = info.st_mode & 07777;
    return fd;
}

extern "C" int __wrap_fsync(int fd) {
    struct stat info;
    bool folder = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    g_sync_trace += folder ? 'd' : 'f';
    int fail = folder ? g_fail_folder_sync : g_fail_file_sync;
    if (fail != 0) {
        errno = fail;
        return -1;
    }
    return __real_fsync(fd);
}

extern "C" int __wrap_rename(const char* from, const char* to) {
    g_sync_trace += 'r';
    return __real_rename(from, to);
}

// The names in the folder that a save's temporary files take.
static std::vector<std::string> TemporaryFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.rfind(".velmara-save-", 0) == 0) names.push_back(name);
    }
    return names;
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
    EXPECT_TRUE(TemporaryFilesIn(dir.Path()).empty());
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
    EXPECT_TRUE(TemporaryFilesIn(dir.File("real")).empty());
    EXPECT_TRUE(TemporaryFilesIn(dir.Path()).empty());

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

TEST(WriteWholeFile, ANewFileHasTheDefaultBitsLessTheUmask) {
    TempDir dir;
    for (mode_t mask : {mode_t(022), mode_t(027), mode_t(0)}) {
        std::string name = "new" + std::to_string(mask) + ".json";
        mode_t umask_before = umask(mask);
        bool saved = WriteWholeFile(dir.File(name).c_str(), "{}", 2);
        umask(umask_before);
        ASSERT_TRUE(saved);
        struct stat info;
        ASSERT_EQ(stat(dir.File(name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0666u & ~mask) << std::oct << mask;
    }
}

// A name is taken by a file a killed save left, or by a link someone
// planted, live or dangling: the link is not followed, another name is
// tried, and no number of leftovers stops a save.
TEST(WriteWholeFile, ATakenTemporaryNameIsNeitherFollowedNorFatal) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("doc.json", "old"));
    ASSERT_TRUE(dir.Write("victim", "untouched"));
    // Leftovers of killed saves: a hundred named after the file, as saves
    // once named them, and a hundred of the short random kind.
    ASSERT_TRUE(dir.Write("doc.json.velmara-tmp", "left by a crash"));
    for (int n = 1; n < 100; ++n) ASSERT_TRUE(dir.Write("doc.json.velmara-tmp" + std::to_string(n), "left"));
    for (int n = 0; n < 100; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, ".velmara-save-%06d", n);
        ASSERT_TRUE(dir.Write(name, "left by a crash"));
    }
    std::string error;
    EXPECT_TRUE(WriteWholeFile(dir.File("doc.json").c_str(), "new", 3, &error)) << error;
    EXPECT_EQ(dir.Read("doc.json"), "new");
    EXPECT_EQ(TemporaryFilesIn(dir.Path()).size(), 100u);  // the leftovers, and nothing of this save
    EXPECT_EQ(dir.Read("doc.json.velmara-tmp"), "left by a crash");

    // Links planted at the first two names tried.
    g_plant_victim = dir.File("victim");
    g_plant_links = 2;
    EXPECT_TRUE(WriteWholeFile(dir.File("doc.json").c_str(), "newer", 5, &error)) << error;
    g_plant_links = 0;
    EXPECT_EQ(dir.Read("doc.json"), "newer");
    EXPECT_EQ(dir.Read("victim"), "untouched");
    EXPECT_EQ(TemporaryFilesIn(dir.Path()).size(), 102u);  // the two links stand
    g_plant_victim = dir.File("made");
    g_plant_links = 1;
    EXPECT_TRUE(WriteWholeFile(dir.File("doc.json").c_str(), "newest", 6, &error)) << error;
    g_plant_links = 0;
    EXPECT_EQ(dir.Read("doc.json"), "newest");
    EXPECT_FALSE(dir.Exists("made"));
}

// The temporary file's name no longer grows with the target's: a name as
// long as the system takes saves.
TEST(WriteWholeFile, ANameOfTheLongestLengthSaves) {
    TempDir dir;
    std::string name(255, 'n');
    std::string error;
    EXPECT_TRUE(WriteWholeFile(dir.File(name).c_str(), "long", 4, &error)) << error;
    EXPECT_EQ(dir.Read(name), "long");
    EXPECT_TRUE(TemporaryFilesIn(dir.Path()).empty());
}

// The new bytes reach the disk before the rename makes them the file, and
// the rename reaches it after: a power cut finds the old file or the new
// one. A file that cannot be synced is not saved; a folder that cannot be
// synced leaves the new file standing and says so.
TEST(WriteWholeFile, SyncsTheFileBeforeTheRenameAndTheFolderAfterIt) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("doc.json", "old"));
    g_sync_trace.clear();
    std::string error, note = "stale";
    EXPECT_TRUE(WriteWholeFile(dir.File("doc.json").c_str(), "new", 3, &error, &note)) << error;
    EXPECT_EQ(g_sync_trace, "frd");
    EXPECT_EQ(note, "");

    g_fail_file_sync = EIO;
    g_sync_trace.clear();
    EXPECT_FALSE(WriteWholeFile(dir.File("doc.json").c_str(), "lost", 4, &error, &note));
    g_fail_file_sync = 0;
    EXPECT_EQ(error, "Input/output error");
    EXPECT_EQ(g_sync_trace, "f");
    EXPECT_EQ(dir.Read("doc.json"), "new");
    EXPECT_TRUE(TemporaryFilesIn(dir.Path()).empty());

    g_fail_folder_sync = EIO;
    EXPECT_TRUE(WriteWholeFile(dir.File("doc.json").c_str(), "newer", 5, &error, &note)) << error;
    EXPECT_EQ(note, "the folder could not be synced: Input/output error");
    EXPECT_EQ(dir.Read("doc.json"), "newer");
    // Some file systems cannot sync a folder at all: that is no failure.
    g_fail_folder_sync = EINVAL;
    EXPECT_TRUE(WriteWholeFile(dir.File("doc.json").c_str(), "newest", 6, &error, &note)) << error;
    g_fail_folder_sync = 0;
    EXPECT_EQ(note, "");
    EXPECT_EQ(dir.Read("doc.json"), "newest");
}

// The outcome of a save done in a child process as another user.
struct SaveAsUser {
    bool ran = false;     // the child could become the user
    std::string outcome;  // "saved", or the reason the save gave
};

// Saves bytes to path in a child process that runs as uid and gid (the
// process's own user when it is not root), within ten seconds.
static SaveAsUser SaveAs(uid_t uid, gid_t gid, const std::string& path, const std::string& bytes) {
    SaveAsUser result;
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return result;
    pid_t child = fork();
    if (child == 0) {
        close(pipe_ends[0]);
        alarm(10);
        bool become = geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(uid) == 0);
        std::string outcome = "!could not become the user";
        if (become) {
            std::string error;
            outcome = WriteWholeFile(path.c_str(), bytes.data(), bytes.size(), &error) ? "saved" : error;
        }
        if (write(pipe_ends[1], outcome.data(), outcome.size()) < 0) _exit(2);
        _exit(0);
    }
    close(pipe_ends[1]);
    char buffer[256];
    ssize_t got;
    while ((got = read(pipe_ends[0], buffer, sizeof buffer)) > 0) result.outcome.append(buffer, size_t(got));
    close(pipe_ends[0]);
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
    result.ran = child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && result.outcome[0] != '!';
    return result;
}

// A rename over a file needs only the right to write its folder; a save asks
// for the right to write the file itself, as a direct write would.
TEST(WriteWholeFile, AFileTheUserMayNotWriteIsRefusedAndKept) {
    TempDir dir;
    const uid_t nobody = 65534;
    bool as_root = geteuid() == 0;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);  // the folder is the user's to write
    ASSERT_TRUE(dir.Write("mine.json", "read only"));
    ASSERT_TRUE(dir.Write("theirs.json", "root's"));
    ASSERT_TRUE(dir.Write("open.json", "old"));
    if (as_root) {
        // The save runs as nobody; the files but theirs.json are nobody's.
        ASSERT_EQ(chown(dir.File("mine.json").c_str(), nobody, nobody), 0);
        ASSERT_EQ(chown(dir.File("open.json").c_str(), nobody, nobody), 0);
    }
    ASSERT_EQ(chmod(dir.File("mine.json").c_str(), 0444), 0);
    ASSERT_EQ(chmod(dir.File("theirs.json").c_str(), 0644), 0);

    SaveAsUser open = SaveAs(nobody, nobody, dir.File("open.json"), "new");
    if (!open.ran) GTEST_SKIP() << "the save cannot run as an ordinary user here: " << open.outcome;
    EXPECT_EQ(open.outcome, "saved");
    EXPECT_EQ(dir.Read("open.json"), "new");
    EXPECT_EQ(SaveAs(nobody, nobody, dir.File("mine.json"), "replaced").outcome, "Permission denied");
    EXPECT_EQ(dir.Read("mine.json"), "read only");
    struct stat info;
    ASSERT_EQ(stat(dir.File("mine.json").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
    if (as_root) {
        EXPECT_EQ(SaveAs(nobody, nobody, dir.File("theirs.json"), "replaced").outcome, "Permission denied");
        EXPECT_EQ(dir.Read("theirs.json"), "root's");
        ASSERT_EQ(stat(dir.File("theirs.json").c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 0u);
        // Root may write a 0444 file directly, so root's save goes through.
        EXPECT_TRUE(WriteWholeFile(dir.File("mine.json").c_str(), "root wrote", 10));
        EXPECT_EQ(dir.Read("mine.json"), "root wrote");
    }
    EXPECT_TRUE(TemporaryFilesIn(dir.Path()).empty());
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
