#pragma once
// Which entries of a section's item list this process executes. A run may be one shard of a batch
// spread over machines (--shard K/N: the entries whose position is K modulo N), or one worker
// process of a run spread over cores (batch/BatchWorkers.h). An execution is given its schedule
// (ExecuteBatch); its one item loop asks it about every entry; without one, every entry is executed.

#include <cstdint>
#include <string>

class IItemSchedule
{
public:
    // Before the entry at this position (its index among the children of "ApplyToItems"; path
    // empty for an entry without one): true when this process executes it.
    virtual bool Wanted(uint32_t position, const std::string& path) = 0;
    // After a wanted entry was processed, or passed over for want of a path.
    virtual void Finished(uint32_t position) = 0;
    // The progress range of a list of count entries: the entries this run owns.
    virtual int64_t ProgressRange(uint32_t count) const = 0;

protected:
    ~IItemSchedule() = default;
};

// Positions K, K + N, K + 2N, ... of every list.
struct SItemShard
{
    uint32_t m_nIndex = 0;
    uint32_t m_nCount = 1;

    bool Owns(uint32_t position) const { return position % m_nCount == m_nIndex; }
    // How many of the positions 0 .. count - 1 the shard owns.
    int64_t Size(uint32_t count) const { return count > m_nIndex ? (count - 1 - m_nIndex) / m_nCount + 1 : 0; }
};

// Reads "K/N" with 0 <= K < N; false for anything else.
bool ParseItemShard(const std::string& text, SItemShard& shard);

class CShardSchedule : public IItemSchedule
{
public:
    explicit CShardSchedule(SItemShard shard) : m_shard(shard) {}
    bool Wanted(uint32_t position, const std::string&) override { return m_shard.Owns(position); }
    void Finished(uint32_t) override {}
    int64_t ProgressRange(uint32_t count) const override { return m_shard.Size(count); }

private:
    SItemShard m_shard;
};
