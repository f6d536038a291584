#pragma once
// Nothing a person made is written over by an interactive operation without asking. Before an
// operation writes any of its files it hands them all to MayWriteOver, which asks one question
// when a target exists and is the file the working image was loaded from, or is a file that the
// window did not itself write in this run; after each file is written it is noted with
// NoteWritten, so that a second split into the same folder does not ask again. The batch
// executors do not come here: their outputs are recorded in the batch file.
//
// The record of this run's files and the question box are installed with the frame hooks
// (ops/FrameHooks.h). Without a question handler the answer is No: with nobody to ask, nothing is
// written over.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The files written in this run and the working image's file, for one window.
class CWrittenFiles
{
public:
    // A file written just now: its canonical path and its identity on disk (device and inode), so
    // that a file put there since by someone else, under the same name, is not taken for ours.
    void Add(const std::string& path);
    // True when the file at path is the one this run wrote there last.
    bool Holds(const std::string& path) const;

    // The file the working image was loaded from (empty: none); it is never written over unasked.
    void SetWorkingSource(const std::string& path) { m_strWorkingSource = path; }
    const std::string& WorkingSource() const { return m_strWorkingSource; }

private:
    struct SIdentity
    {
        uint64_t m_nDevice = 0, m_nInode = 0;
        bool operator==(const SIdentity&) const = default;
    };
    std::map<std::string, SIdentity> m_files;
    std::string m_strWorkingSource;
};

// Before an operation writes targets: true when it may write them all. When one or more exist and
// are not this run's files (or one is the working image's file), the person is asked once, naming
// the first such file and how many more there are; on No, a message says that nothing was written
// and the result is false.
bool MayWriteOver(const std::vector<std::string>& targets);

// After a target was written.
void NoteWritten(const std::string& path);

// The bound engine image saved at path by an interactive operation (gxSaveImage without flipping),
// noted as written when it was.
bool SaveOutputImage(const std::string& path);

// The same file on disk (both exist, same device and inode).
bool SameFile(const std::string& a, const std::string& b);
