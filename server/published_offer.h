#pragma once
// The version check answers what the newest publication offers: the [Info] Offer key of the
// information file that `publish --offer` wrote and signed. The service reads it at start and
// again whenever the signed file changes (a new publication switched in) or on request
// (SIGHUP), and takes it only when the signature verifies with the publisher's public key; a
// publication that fails changes nothing, and the log says why.

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace qvx::server {

// The offer of the publication in folder, verified against publicXY (X||Y of the P-256 key);
// nothing, with the reason in *why, when it has none or fails verification.
std::optional<std::string> ReadPublishedOffer(const std::filesystem::path& folder,
                                              const std::string& publicXY, std::string* why);

class OfferWatcher {
public:
    using Apply = std::function<void(const std::string& offer)>;
    using Log = std::function<void(const std::string& line)>;

    // Reads the folder once before returning, then looks for a change every `poll`.
    OfferWatcher(std::filesystem::path folder, std::string publicXY, Apply apply, Log log,
                 std::chrono::milliseconds poll = std::chrono::milliseconds(1000));
    ~OfferWatcher();
    OfferWatcher(const OfferWatcher&) = delete;
    OfferWatcher& operator=(const OfferWatcher&) = delete;

    // Reads the folder again soon, changed or not (from any thread, a signal watcher included).
    void Reload();

private:
    void Run();
    void Check(bool forced);

    std::filesystem::path folder_;
    std::string publicXY_;
    Apply apply_;
    Log log_;
    std::chrono::milliseconds poll_;
    std::string seen_;  // what identified the signed files at the last read
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool reload_ = false;
    std::thread thread_;
};

}  // namespace qvx::server
