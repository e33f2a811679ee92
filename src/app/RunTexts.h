// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The run panel's texts in the user's language: a run's progress, its
// summary, and why files kept their names. Written in Japanese; the English
// catalog (translations/kelvara_en.ts) gives every other language.

#include "history/Undo.h"
#include "rename/HistoryWriter.h"
#include "rename/RenameOutcome.h"
#include "rename/Run.h"

#include <QString>

namespace kelvara {

// A kept reason, as a short phrase that reads after a count ("2 no shooting
// date").
QString KeptReasonCaption(TKeptReason reason);

// While a run goes on: "renamed N, kept M, K waiting".
QString RunProgressText(const TRun& run, std::size_t waiting);

// When it has ended: how it ended, its counts and the reasons for what was
// kept, most common first.
QString RunSummaryText(const TRun& run);

// After a summary: this run cannot be undone, and why (the history's
// failure, worded by its kind).
QString RunNotUndoableText(const THistoryWriter::TFailure& failure);
// After a summary: the run was to go fast, but went at the usual pace
// because it could not have been undone.
QString RunAtDefaultPaceText();
// After a summary: the damaged history was moved aside to `file`.
QString HistoryMovedAsideText(const std::string& file);

// An undo under way: photos looked at of all, and those left as they are.
QString UndoProgressText(const TUndoProgress& progress);
// An undo ended (or stopped by Escape).
QString UndoSummaryText(const TUndoReport& report);
QString NothingToUndoText();
// An undo that could not go on: the history's failure.
QString UndoFailedText(const THistoryWriter::TFailure& failure);

} // namespace kelvara
