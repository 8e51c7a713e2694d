#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "updater/main_f_ports.h"
#include "updlib/text_codec_port.h"

namespace qvx::updater {

// Installing the fetched files over the program folder, all or nothing, and surviving a crash
// in the middle: before the first file is touched a journal in the work folder names every
// target, each replaced file waits beside its target as name + ".qvxold", and the journal goes
// only once every new file is on disk. A journal found at start-up means the last install was
// cut short; putting every .qvxold back then leaves the old program exactly as it was.

inline constexpr const char* kBackupSuffix = ".qvxold";
inline constexpr const char* kJournalName = "install.journal";

struct JournalEntry {
    bool hadOld = false;    // the target existed and is kept as target + ".qvxold"
    std::string localPath;  // below the program folder, backslashes, system code page
    bool operator==(const JournalEntry&) const = default;
};

std::string FormatInstallJournal(const std::vector<JournalEntry>& entries);
// Nothing when the text is no complete journal (a write cut short never got as far as the
// first rename, so there is nothing to undo).
std::optional<std::vector<JournalEntry>> ParseInstallJournal(std::string_view text);

class FileInstall {
public:
    // Both folders end in a backslash.
    FileInstall(UpdateFiles& files, updlib::TextCodec& text, std::string programFolder,
                std::string workFolder);

    struct Outcome {
        std::optional<std::size_t> failed;  // the file that could not be installed
        bool restored = true;               // every target is as it was before
    };
    // Copies every file (paths relative to both folders) from the work folder into the
    // program folder; on a failure every target is put back.
    Outcome Install(const std::vector<std::string>& localPaths);

    // Undoes an install that a crash cut short, if the journal says there was one. False when a
    // file could not be put back (the journal stays, so the next start tries again).
    bool RecoverInterrupted();

private:
    std::string JournalPath() const { return work_ + kJournalName; }
    bool RollBack(const std::vector<JournalEntry>& entries);

    UpdateFiles& files_;
    updlib::TextCodec& text_;
    std::string program_;
    std::string work_;
};

}  // namespace qvx::updater
