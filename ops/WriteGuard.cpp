#include "ops/WriteGuard.h"

#include "engine/gx.h"
#include "ops/FrameHooks.h"
#include "ops/MessageBox.h"

#include <climits>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

namespace
{
bool Identify(const std::string& path, uint64_t& device, uint64_t& inode)
{
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return false;
    device = uint64_t(st.st_dev), inode = uint64_t(st.st_ino);
    return true;
}

// The path with its links and dots resolved, or as given when it cannot be.
std::string Canonical(const std::string& path)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

// Only a regular file can be written over; a write to anything else fails with its reason.
bool Exists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
} // namespace

void CWrittenFiles::Add(const std::string& path)
{
    SIdentity id;
    if (Identify(path, id.m_nDevice, id.m_nInode))
        m_files[Canonical(path)] = id;
}

bool CWrittenFiles::Holds(const std::string& path) const
{
    SIdentity id;
    if (!Identify(path, id.m_nDevice, id.m_nInode))
        return false;
    const auto it = m_files.find(Canonical(path));
    return it != m_files.end() && it->second == id;
}

bool SameFile(const std::string& a, const std::string& b)
{
    uint64_t deviceA = 0, inodeA = 0, deviceB = 0, inodeB = 0;
    return Identify(a, deviceA, inodeA) && Identify(b, deviceB, inodeB) && deviceA == deviceB && inodeA == inodeB;
}

bool MayWriteOver(const std::vector<std::string>& targets)
{
    const FrameHooks& hooks = InstalledFrameHooks();
    const CWrittenFiles* written = hooks.m_pWrittenFiles;
    const std::string source = written ? written->WorkingSource() : std::string();
    std::string first;
    bool firstIsSource = false;
    size_t count = 0;
    for (const std::string& target : targets)
    {
        const bool isSource = !source.empty() && SameFile(target, source);
        if (!isSource && (!Exists(target) || (written && written->Holds(target))))
            continue;
        if (count++ == 0)
            first = target, firstIsSource = isSource;
    }
    if (count == 0)
        return true;
    std::string text = firstIsSource ? "The file the current image was loaded from would be written over:\n\n " + first
                                     : "This file exists already and would be written over:\n\n " + first;
    if (count > 1)
        text += "\n\nand " + std::to_string(count - 1) + (count == 2 ? " other file that exists" : " other files that exist");
    text += "\n\nDo you want to replace " + std::string(count > 1 ? "them?" : "it?");
    if (AskFrameQuestion(text, "Replace Existing Files"))
        return true;
    ShowFrameMessage("Nothing was written; the existing " + std::string(count > 1 ? "files were" : "file was") +
                         " kept:\n\n " + first,
                     "OK", EMessageIcon::Information);
    return false;
}

void NoteWritten(const std::string& path)
{
    if (CWrittenFiles* written = InstalledFrameHooks().m_pWrittenFiles)
        written->Add(path);
}

bool SaveOutputImage(const std::string& path)
{
    if (!gxSaveImage(path.c_str(), false))
        return false;
    NoteWritten(path);
    return true;
}
