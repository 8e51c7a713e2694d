#pragma once
// What the server exchange needs from the platform and from the main window. Win32 adapters
// live in report/win32/, fakes in tests/fakes/.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qvx::report {

struct HttpPostRequest {
    std::string url;
    std::string contentType;              // the one request header sent; there is no body
    std::chrono::milliseconds timeout{};  // bound on the whole request, connect to last byte
};

struct HttpPostResult {
    enum class Outcome {
        Replied,   // the server answered, whatever its status
        Failed,    // no object, refused, unreachable, broken reply
        TimedOut,  // no complete reply within the bound
    };
    Outcome outcome = Outcome::Failed;
    int status = 0;    // HTTP status when Replied
    std::string body;  // reply text when Replied, as received
};

// One POST through a fresh system HTTP object, released afterwards.
class HttpPoster {
public:
    virtual ~HttpPoster() = default;
    virtual HttpPostResult Post(const HttpPostRequest& request) = 0;
};

// The WMI adapter query: the MACAddress of every IP-enabled adapter, in WMI's order, adapters
// without an address left out. nullopt when the query itself fails.
class MacSource {
public:
    virtual ~MacSource() = default;
    virtual std::optional<std::vector<std::string>> IpEnabledMacs() = 0;
};

enum class PromptButtons { OkOnly, OkCancel };
enum class PromptIcon { None, Warning };
enum class PromptAnswer { Ok, Cancel };

// Modal message box; closing it counts as Cancel.
class Prompt {
public:
    virtual ~Prompt() = default;
    virtual PromptAnswer Show(const std::string& text, PromptButtons buttons, PromptIcon icon) = 0;
};

// Starts a program by its bare file name, without arguments, in a normal window that gets the
// focus; the system's program search begins with the running program's folder.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    virtual bool Start(const std::string& fileName) = 0;  // false: could not be started
};

// Work that may block for seconds (the service's requests, the adapter query), done away from the
// window thread so that the window, the tray and the tint go on meanwhile. One piece of work at a
// time; what it writes is read once Finished() says so.
class Background {
public:
    virtual ~Background() = default;
    virtual void Start(std::function<void()> work) = 0;
    virtual bool Finished() = 0;
};

// What the exchange needs from the main window that runs it.
class ExchangeHost {
public:
    virtual ~ExchangeHost() = default;
    virtual void HideMainWindow() = 0;
    virtual void ShowMainWindow() = 0;
    // Registry value PostServer, as the registry gateway reads it (trimmed, empty when missing).
    virtual std::string ReadPostServer() = 0;
    // Stores "1" under PostServer.
    virtual void StorePostServer() = 0;
    // Registry value naming the statistics host (kStatsHostValueName); empty when missing.
    virtual std::string ReadStatsHost() = 0;
    // The program ends for the updater: store the counters, remove the tray icon and leave the
    // message loop. The tint stays on the display while the updater runs.
    virtual void EndForUpdate() = 0;
};

}  // namespace qvx::report
