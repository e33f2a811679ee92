// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryCsv.h"

namespace kelvara {

namespace {

std::string Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted.push_back('"');
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

// The date source comes last, so that readers of the first four columns
// go on working.
void Line(std::string& csv, const std::string& folder, const std::string& oldName,
          const std::string& newName, const std::string& what, const std::string& dateSource) {
    csv += Field(folder) + ',' + Field(oldName) + ',' + Field(newName) + ',' + Field(what) + ',' +
           Field(dateSource) + "\r\n";
}

} // namespace

std::string KeptReasonText(TKeptReason reason) {
    switch (reason) {
    case TKeptReason::NoDate:
        return "no shooting date";
    case TKeptReason::AlreadyDated:
        return "its name already holds its date";
    case TKeptReason::NotAPhoto:
        return "not a photo";
    case TKeptReason::Unreadable:
        return "could not be read";
    case TKeptReason::NameTaken:
        return "the new name is taken";
    case TKeptReason::NameNotPortable:
        return "the new name is not portable or too long";
    case TKeptReason::GoneOrChanged:
        return "gone or changed before its turn";
    case TKeptReason::Cancelled:
        return "cancelled";
    case TKeptReason::Interrupted:
        return "the program ended before its turn";
    case TKeptReason::MoveFailed:
        return "the move failed";
    case TKeptReason::NoLayout:
        return "no name layout chosen";
    case TKeptReason::Gone:
        return "gone";
    case TKeptReason::Changed:
        return "moved or changed since";
    case TKeptReason::OldNameTaken:
        return "its old name is taken";
    case TKeptReason::HeldBack:
        return "another file of its photo could not go back";
    }
    return "unknown";
}

std::string RunCsv(THistory& history, TRunId run) {
    std::string csv;
    Line(csv, "folder", "old name", "new name", "what", "date source");
    for (const TRenameRecord& record : history.Renames(run)) {
        const char* what = !record.renamed ? "not renamed (half-way)"
                           : record.undone ? "renamed, then undone"
                                           : "renamed";
        Line(csv, record.folder, record.oldName, record.newName, what, record.dateSource);
    }
    for (const TKeptFile& kept : history.Kept(run))
        Line(csv, kept.folder, kept.name, {}, "kept: " + KeptReasonText(kept.reason), {});
    return csv;
}

} // namespace kelvara
