// The file module's rules: nothing blocks, only regular files, replacement that keeps what the
// old file was (mode, links), names up to the system's limit, and a reason for every failure.

#include "base/FileIo.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
using namespace mosvane::test;

std::span<const uint8_t> Bytes(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

ino_t Inode(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(FileIo, WhatIsNotARegularFileIsRefusedAtOnceWithItsReason)
{
    CTempDir dir;
    const std::string fifo = dir.File("x.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    struct SCase
    {
        std::string m_strPath;
        std::string m_strReason;
        bool m_bAppendCreates = false;
    };
    const std::vector<SCase> cases = {
        {fifo, "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {dir.Path(), "Is a directory"},
        {dir.File("missing.png"), "No such file or directory", true},
        {"", "No such file or directory"},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.m_strPath);
        // In a child with a time limit: an open that blocks fails the test instead of hanging it.
        EXPECT_TRUE(TrueInChild([&] {
            std::vector<uint8_t> bytes{1};
            std::string reason;
            return !ReadWholeFile(c.m_strPath.c_str(), bytes, 1 << 20, &reason) && bytes.empty() && reason == c.m_strReason;
        }));
        EXPECT_TRUE(TrueInChild([&] {
            uint64_t size = 0;
            return AppendToFile(c.m_strPath.c_str(), Bytes("x"), size) == c.m_bAppendCreates;
        }));
    }
    // Replacing a pipe or a device is refused before anything opens it.
    std::string reason;
    EXPECT_TRUE(TrueInChild([&] { return !ReplaceFile(fifo.c_str(), Bytes("x"), &reason) && reason == "not a regular file"; }));
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"missing.png", "x.png"}));
}

TEST(FileIo, WholeFilesAreReadUpToTheirSizeAndTheLimit)
{
    CTempDir dir;
    const std::string path = dir.File("a.bin");
    ASSERT_TRUE(ReplaceFile(path.c_str(), Bytes(std::string("a\0b", 3))));
    std::vector<uint8_t> bytes;
    std::string reason = "stale";
    ASSERT_TRUE(ReadWholeFile(path.c_str(), bytes, 3, &reason));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{'a', 0, 'b'}));
    EXPECT_TRUE(reason.empty());
    EXPECT_FALSE(ReadWholeFile(path.c_str(), bytes, 2, &reason));
    EXPECT_EQ(reason, "File too large");
    EXPECT_TRUE(bytes.empty());

    uint64_t size = 0;
    ASSERT_TRUE(AppendToFile(path.c_str(), Bytes("cd"), size));
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(ReadTextFile(path), std::string("a\0bcd", 5));
}

TEST(FileIo, ReplacingKeepsModeSymbolicLinksAndHardLinks)
{
    CTempDir dir;
    const std::string path = dir.File("out.png");
    ASSERT_TRUE(ReplaceFile(path.c_str(), Bytes("old")));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

    // A relative link in another folder: the file it names is replaced, the link stays a link.
    std::filesystem::create_directory(dir.File("sub"));
    const std::string link = dir.File("sub/link.png");
    ASSERT_EQ(::symlink("../out.png", link.c_str()), 0);
    ASSERT_TRUE(ReplaceFile(link.c_str(), Bytes("through the link")));
    EXPECT_EQ(ReadTextFile(path), "through the link");
    struct stat st{};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A second hard link sees the new content: the inode is kept, and so is the mode.
    const std::string hard = dir.File("hard.png");
    ASSERT_EQ(::link(path.c_str(), hard.c_str()), 0);
    const ino_t inode = Inode(path);
    for (const std::string& text : {std::string("a longer content than before"), std::string("short")})
    {
        ASSERT_TRUE(ReplaceFile(path.c_str(), Bytes(text)));
        EXPECT_EQ(ReadTextFile(hard), text);
        EXPECT_EQ(Inode(path), inode);
    }
    ASSERT_EQ(::stat(hard.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_nlink, 2u);
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"hard.png", "out.png", "sub"}));
}

TEST(FileIo, NamesUpToTheSystemLimitAreWritableAndLongerOnesSayWhy)
{
    CTempDir dir;
    for (size_t length : {249, 250, 254, 255})
    {
        const std::string name = std::string(length - 4, 'n') + ".png";
        SCOPED_TRACE(length);
        EXPECT_TRUE(ReplaceFile(dir.File(name).c_str(), Bytes("new")));
        EXPECT_TRUE(ReplaceFile(dir.File(name).c_str(), Bytes("again"))); // over an existing one
        EXPECT_EQ(ReadTextFile(dir.File(name)), "again");
    }
    std::string reason;
    EXPECT_FALSE(ReplaceFile(dir.File(std::string(256, 'n')).c_str(), Bytes("x"), &reason));
    EXPECT_EQ(reason, "File name too long");
    EXPECT_EQ(FolderNames(dir.Path()).size(), 4u); // no temporary file left
}

TEST(FileIo, FailedWritesNameTheSystemsReasonAndLeaveTheOldFile)
{
    CTempDir dir;
    const std::string path = dir.File("out.png");
    ASSERT_TRUE(ReplaceFile(path.c_str(), Bytes("old")));

    // Past the file size limit: the write fails (the signal is ignored, the process lives on),
    // the old file is kept and the temporary file removed.
    EXPECT_TRUE(TrueInChild([&] {
        IgnoreFileSizeSignal();
        const rlimit limit{1024, 1024};
        std::string reason;
        return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && !ReplaceFile(path.c_str(), std::vector<uint8_t>(4096, 7), &reason) &&
               reason == "File too large";
    }, 2000));
    EXPECT_EQ(ReadTextFile(path), "old");
    EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::string>{"out.png"});

    std::string reason;
    EXPECT_FALSE(ReplaceFile(dir.File("missing/out.png").c_str(), Bytes("x"), &reason));
    EXPECT_EQ(reason, "No such file or directory");
    if (::geteuid() != 0) // root writes anywhere
    {
        ASSERT_EQ(::chmod(dir.Path().c_str(), 0500), 0);
        EXPECT_FALSE(ReplaceFile(path.c_str(), Bytes("x"), &reason));
        EXPECT_EQ(reason, "Permission denied");
        ::chmod(dir.Path().c_str(), 0700);
    }
    // A success clears the reason of the failure before it.
    EXPECT_TRUE(ReplaceFile(path.c_str(), Bytes("new"), &reason));
    EXPECT_TRUE(reason.empty());
}
} // namespace

TEST(FileIo, AMissingFolderIsMadeWithItsParentsOrRefusedWithTheReason)
{
    CTempDir dir;
    std::string why = "stale";
    EXPECT_TRUE(MakeFolderOf(dir.File("a/b//c/x.png").c_str(), &why));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("a/b/c")));
    EXPECT_EQ(why, "");
    EXPECT_TRUE(MakeFolderOf(dir.File("a/b/c/x.png").c_str(), &why)); // already there
    EXPECT_TRUE(MakeFolderOf("x.png", &why));                          // the current folder
    WriteTextFile(dir.File("f"), "x");
    EXPECT_FALSE(MakeFolderOf(dir.File("f/x.png").c_str(), &why));
    EXPECT_EQ(why, "Not a directory");
    EXPECT_FALSE(MakeFolderOf(dir.File("f/g/x.png").c_str(), &why));
    EXPECT_EQ(why, "Not a directory");
    EXPECT_FALSE(MakeFolderOf(nullptr, &why));
}
