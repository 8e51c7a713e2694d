#include "updater/file_install.h"

#include "updater/update_file_name.h"

namespace qvx::updater {
namespace {

constexpr std::string_view kJournalHeader = "quorvex-install 1";
constexpr std::string_view kJournalEnd = "end";
// A thousand names of at most a few hundred bytes each.
constexpr std::size_t kMaxJournalBytes = 1024 * 1024;
// A target that cannot be deleted (a running program) is moved here before its old file
// returns; the next start removes it.
constexpr const char* kDiscardSuffix = ".qvxdel";

std::string FolderOf(const std::string& localPath) {
    const std::size_t slash = localPath.rfind('\\');
    return slash == std::string::npos ? std::string() : localPath.substr(0, slash + 1);
}

}  // namespace

std::string FormatInstallJournal(const std::vector<JournalEntry>& entries) {
    std::string text(kJournalHeader);
    text += '\n';
    for (const JournalEntry& entry : entries) {
        text += entry.hadOld ? "old " : "new ";
        text += entry.localPath;
        text += '\n';
    }
    text += kJournalEnd;
    text += '\n';
    return text;
}

std::optional<std::vector<JournalEntry>> ParseInstallJournal(std::string_view text) {
    std::vector<JournalEntry> entries;
    bool header = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;  // the last line was cut short
        }
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!header) {
            if (line != kJournalHeader) {
                return std::nullopt;
            }
            header = true;
        } else if (line == kJournalEnd) {
            return text.empty() ? std::optional(entries) : std::nullopt;
        } else if (line.size() > 4 &&
                   (line.substr(0, 4) == "old " || line.substr(0, 4) == "new ")) {
            entries.push_back({line[0] == 'o', std::string(line.substr(4))});
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

FileInstall::FileInstall(UpdateFiles& files, updlib::TextCodec& text, std::string programFolder,
                         std::string workFolder)
    : files_(files),
      text_(text),
      program_(std::move(programFolder)),
      work_(std::move(workFolder)) {}

FileInstall::Outcome FileInstall::Install(const std::vector<std::string>& localPaths) {
    // Nothing is touched until the journal is on disk, and no stale backup may stand where
    // this install keeps its own: recovery must only ever restore files of this install.
    std::vector<JournalEntry> entries;
    for (std::size_t k = 0; k < localPaths.size(); ++k) {
        const std::string target = program_ + localPaths[k];
        const std::string folder = FolderOf(localPaths[k]);
        if (!folder.empty()) {
            files_.CreateFolders(program_ + folder);
        }
        const std::string backup = target + kBackupSuffix;
        if (files_.FileExists(backup) && !files_.RemoveFile(backup)) {
            return {k, true};
        }
        entries.push_back({files_.FileExists(target), localPaths[k]});
    }
    if (!files_.WriteFileDurably(JournalPath(), FormatInstallJournal(entries))) {
        files_.RemoveFile(JournalPath());
        return {0, true};
    }

    std::optional<std::size_t> failed;
    for (std::size_t k = 0; k < entries.size() && !failed; ++k) {
        const std::string target = program_ + entries[k].localPath;
        // Renaming frees the name even of a running program file, the updater's own included.
        if ((entries[k].hadOld && !files_.Rename(target, target + kBackupSuffix)) ||
            !files_.CopyOver(work_ + entries[k].localPath, target)) {
            failed = k;
        }
    }
    if (failed) {
        const bool restored = RollBack(entries);
        if (restored) {
            files_.RemoveFile(JournalPath());
        }
        return {failed, restored};
    }
    // The commit point: from here on the new files stand, so the backups are only leftovers.
    files_.RemoveFile(JournalPath());
    for (const JournalEntry& entry : entries) {
        if (entry.hadOld) {
            files_.RemoveFile(program_ + entry.localPath + kBackupSuffix);  // a running one stays
        }
    }
    return {};
}

bool FileInstall::RecoverInterrupted() {
    std::string text;
    if (!files_.FileExists(JournalPath())) {
        return true;
    }
    std::optional<std::vector<JournalEntry>> entries;
    if (files_.ReadFile(JournalPath(), kMaxJournalBytes, text)) {
        entries = ParseInstallJournal(text);
    }
    if (entries && !RollBack(*entries)) {
        return false;
    }
    files_.RemoveFile(JournalPath());
    return true;
}

bool FileInstall::RollBack(const std::vector<JournalEntry>& entries) {
    bool restored = true;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        // The journal is data on disk: a name that could leave the program folder is skipped.
        if (!CheckUpdateFileName(it->localPath, text_).safe) {
            continue;
        }
        const std::string target = program_ + it->localPath;
        const std::string backup = target + kBackupSuffix;
        const bool backupThere = it->hadOld && files_.FileExists(backup);
        if (!backupThere && it->hadOld) {
            continue;  // never renamed: the old file is still in place
        }
        if (files_.FileExists(target) && !files_.RemoveFile(target) &&
            !files_.Rename(target, target + kDiscardSuffix)) {
            restored = false;
            continue;
        }
        if (backupThere && !files_.Rename(backup, target)) {
            restored = false;
        }
    }
    return restored;
}

}  // namespace qvx::updater
