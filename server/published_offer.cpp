#include "server/published_offer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "base/ini_text.h"
#include "server/signing/update_signing.h"
#include "server/update_publisher.h"

namespace qvx::server {

namespace {

constexpr const char* kInfoName = "qvxUpgraded.ini";
constexpr const char* kSignatureName = "qvxUpgraded.ini.sig";
// Larger files are no information file (the updater refuses them too).
constexpr std::size_t kMaxInfoBytes = 64 * 1024;

std::optional<std::string> ReadSmall(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.resize(kMaxInfoBytes + 1);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxInfoBytes) {
        return std::nullopt;
    }
    return bytes;
}

// What tells one state of the signed files from another: the folder's link target and each
// file's identity, size and time of change.
std::string Identity(const std::filesystem::path& folder) {
    std::string id;
    char target[4096];
    const ssize_t n = readlink(folder.c_str(), target, sizeof(target));
    if (n > 0) {
        id.append(target, static_cast<std::size_t>(n));
    }
    for (const char* name : {kInfoName, kSignatureName}) {
        struct stat info {};
        id += "|";
        if (stat((folder / name).c_str(), &info) == 0) {
            id.append(std::to_string(info.st_dev)).append(":").append(std::to_string(info.st_ino));
            id.append(":").append(std::to_string(info.st_size)).append(":");
            id.append(std::to_string(info.st_mtim.tv_sec)).append(".");
            id.append(std::to_string(info.st_mtim.tv_nsec));
        }
    }
    return id;
}

}  // namespace

std::optional<std::string> ReadPublishedOffer(const std::filesystem::path& folder,
                                              const std::string& publicXY, std::string* why) {
    const std::optional<std::string> info = ReadSmall(folder / kInfoName);
    const std::optional<std::string> signature = ReadSmall(folder / kSignatureName);
    if (!info || !signature) {
        *why = "no readable " + std::string(info ? kSignatureName : kInfoName) + " in " +
               folder.string();
        return std::nullopt;
    }
    if (!signing::VerifySignature(publicXY, *info, *signature)) {
        *why = "the signature of " + (folder / kInfoName).string() +
               " does not verify with the update key";
        return std::nullopt;
    }
    const std::optional<std::string> offer = base::IniValue(*info, "Info", kOfferKey);
    if (!offer) {
        *why = "the publication in " + folder.string() + " names no offer (publish --offer)";
        return std::nullopt;
    }
    if (!IsOfferText(*offer)) {
        *why = "the offer of the publication in " + folder.string() + " is no decimal version";
        return std::nullopt;
    }
    return offer;
}

OfferWatcher::OfferWatcher(std::filesystem::path folder, std::string publicXY, Apply apply, Log log,
                           std::chrono::milliseconds poll)
    : folder_(std::move(folder)),
      publicXY_(std::move(publicXY)),
      apply_(std::move(apply)),
      log_(std::move(log)),
      poll_(poll) {
    Check(true);
    thread_ = std::thread([this] { Run(); });
}

OfferWatcher::~OfferWatcher() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void OfferWatcher::Reload() {
    {
        std::lock_guard lock(mutex_);
        reload_ = true;
    }
    wake_.notify_all();
}

void OfferWatcher::Check(bool forced) {
    const std::string id = Identity(folder_);
    if (!forced && id == seen_) {
        return;
    }
    seen_ = id;
    std::string why;
    if (const std::optional<std::string> offer = ReadPublishedOffer(folder_, publicXY_, &why)) {
        apply_(*offer);
        if (log_) {
            log_("offering " + *offer + " from the publication in " + folder_.string());
        }
    } else if (log_) {
        log_("offer unchanged: " + why);
    }
}

void OfferWatcher::Run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, poll_, [this] { return stopping_ || reload_; });
        if (stopping_) {
            break;
        }
        const bool forced = reload_;
        reload_ = false;
        lock.unlock();
        Check(forced);
        lock.lock();
    }
}

}  // namespace qvx::server
