#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "updater/main_f_ports.h"
#include "updater/main_f_view.h"
#include "updater/std_down.h"
#include "updater/update_trust_port.h"
#include "updlib/message_box_port.h"
#include "updlib/text_codec_port.h"
#include "updlib/trovapi.h"

namespace qvx::updater {

// The phases of an update, in order; MainF::Phase() gives their numbers (0-3), as the window
// and the tests see them.
enum class UpdatePhase : std::int32_t {
    ServerChoice = 0,  // servers timed and listed; 下一步 starts the update
    InfoFile = 1,      // the update-information file and its signature are fetched and checked
    Files = 2,         // the listed files are fetched, then installed
    Finished = 3,      // done, well or not: the button ends the program
};

// What the information-file phase hands to the file phase: where the files are, and the
// information file whose signature held (so the files can be checked against it).
struct VerifiedUpdate {
    std::string serverUrl;
    std::string info;  // the verified bytes of the information file
    std::map<std::string, FileFingerprint> signedFiles;  // by the name in the file list
};

// What the window does for a phase.
class UpdatePhaseHost {
public:
    virtual ~UpdatePhaseHost() = default;
    // The view model changed.
    virtual void ModelChanged() = 0;
    // The progress bar: 0 clears it, any other value fills up to that percentage.
    virtual void DrawProc(std::int32_t ProcValue) = 0;
    // The program is ending: a phase stops where it is.
    virtual bool Ended() const = 0;
    virtual void EndProgram() = 0;
    // The update is now in `phase` (the information file, or finished).
    virtual void EnterPhase(UpdatePhase phase) = 0;
    // The information file offers something newer: the file phase, with what it needs, is next.
    virtual void OfferFiles(VerifiedUpdate update) = 0;
};

// Everything a phase works with; the referenced objects outlive the phase.
struct UpdatePhaseContext {
    MainFView& view;
    updlib::trovapi& tro;  // INI reading, the program folder, the responsive wait
    CStdDown& download;
    UpdateFiles& files;
    UpdateTrust& trust;
    updlib::TextCodec& text;
    updlib::MessageBoxPort& messages;
    UpdatePhaseHost& host;

    // A system code page text as the window shows it (UTF-8).
    std::string Shown(const std::string& ansi) const;
    // The work folder that receives every download: program folder + "qvxUpgraded\".
    std::string WorkFolder() const;
    // Replaces the list's entry `index`, or appends it when it is the next one.
    void SetEntry(int index, const std::string& entry) const;
    // The transfer just ended delivered its whole body with a 2xx answer.
    bool TransferSucceeded(bool writeOver) const;
};

// The work folder under a program folder (which ends in a backslash).
std::string UpdateWorkFolder(const std::string& programFolder);
// A system code page text (from the INI files) as UTF-8, for the window.
std::string ShownText(updlib::TextCodec& text, const std::string& ansi);

}  // namespace qvx::updater
