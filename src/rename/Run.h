// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A run: what one intake sets going. It starts with the first path queued
// while no run is going, takes in every path queued while it goes, and ends
// when the queues are empty again (finished) or when Escape empties them
// (cancelled). It counts what the rename step tells of each file.
//
// Main thread only: the intake, the step and the window's timer all run
// there, so it needs no lock.

#include "rename/RenameOutcome.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

namespace kelvara {

enum class TRunStage {
    None,      // no run has started yet
    Going,     // paths are queued, searched or renamed
    Finished,  // the queues ran empty
    Cancelled, // Escape ended it
};

class TRun {
public:
    using TClock = std::chrono::system_clock;

    // A path was handed to the intake. Starts a new run (counts back to
    // nought) when none is going; true then.
    bool PathQueued(const std::string& path);
    // What the step told of one file. Ignored while no run is going (a late
    // word from a step that had taken its file before Escape ended the run).
    void FileDone(const TFileOutcome& outcome);
    // Ends a going run; false when none was going.
    bool Finish();
    bool Cancel();

    TRunStage State() const { return m_state; }
    bool Going() const { return m_state == TRunStage::Going; }
    // Counts from 1, one more for every run started; 0 before the first.
    std::uint64_t Number() const { return m_number; }
    TClock::time_point Started() const { return m_started; }
    // The paths queued during the run, in order.
    const std::vector<std::string>& Given() const { return m_given; }
    std::size_t Renamed() const { return m_renamed; }
    // Every file kept, whatever the reason (cancelled ones among them).
    std::size_t Kept() const { return m_kept; }
    std::size_t KeptFor(TKeptReason reason) const;
    // The reasons met so far, each with its count.
    const std::map<TKeptReason, std::size_t>& KeptByReason() const { return m_keptFor; }

private:
    bool End(TRunStage how);

    TRunStage m_state = TRunStage::None;
    std::uint64_t m_number = 0;
    TClock::time_point m_started;
    std::vector<std::string> m_given;
    std::size_t m_renamed = 0;
    std::size_t m_kept = 0;
    std::map<TKeptReason, std::size_t> m_keptFor;
    // Files kept as no photo: one of them may yet move as a companion of a
    // photo that comes after it, and then it is no longer kept.
    std::unordered_set<std::string> m_keptNoPhoto;
};

} // namespace kelvara
