#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// `quorvex-stats publish`: makes an update folder the updater trusts. It writes the information
// file (marker, versions, and the SHA-256 and size of every file under the name the updater's
// list gives it), signs it with the publisher's key and copies the files beside it.
namespace qvx::server {

struct PublishedFile {
    std::string name;  // as the updater's list names it: relative, backslashes
    std::string sha256;
    std::uint64_t size = 0;
};

// The key of [Info] that names what the service's version check answers once this publication
// is served (the updater reads no such key and passes over it).
inline constexpr const char* kOfferKey = "Offer";

// Whether text may be offered: a decimal version such as "1.6" (at most 32 characters).
bool IsOfferText(std::string_view text);

// The information file: the sections of `templateText` (a settings file to become the next
// local one, or empty) with the [Info] marker and versions set (and the offer, when given) and
// [FileHash] / [FileSize] made anew. CR LF line ends, as the updater's platform writes INI files.
std::string BuildInfoFile(std::string_view templateText, const std::string& programVersion,
                          const std::string& entriesVersion,
                          const std::vector<PublishedFile>& files, const std::string& offer = "");

// quorvex-stats publish --key PRIVATE.pem --program-version M --entries-version Z
//                       [--offer TEXT] --out DIR FILE...
// FILE names are relative to the current folder. The publication is made whole in
// DIR.publications/N, then DIR (a relative link) is switched to it by one rename; the previous
// publication is kept, older ones removed; a plain folder DIR from before is swapped for the
// link and kept as the previous one. Refuses a key that lies in DIR or is among the files, and a
// template that names a hash section. Returns the process exit code.
int PublishMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qvx::server
