#pragma once
// Fakes of the server exchange's ports: a scripted statistics service, an adapter list, a
// message box with scripted answers, a launcher that finds or misses the updater, and a main
// window host that records what the exchange asked of it.

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "report/report_ports.h"

namespace qvx::fakes {

// Holds each piece of work until the test lets it run, as a thread that is still waiting for
// the service; what the exchange does meanwhile is what it does while the real thread works.
class FakeBackground : public report::Background {
public:
    void Start(std::function<void()> work) override {
        ++started;
        work_ = std::move(work);
        finished_ = false;
    }
    bool Finished() override { return finished_; }
    bool Holding() const { return static_cast<bool>(work_); }
    // The work runs now (on the test's thread) and is then seen as finished.
    void Finish() {
        std::function<void()> work = std::move(work_);
        work_ = nullptr;
        if (work) {
            work();
        }
        finished_ = true;
    }

    int started = 0;

private:
    std::function<void()> work_;
    bool finished_ = true;
};

// Answers by path (the URL up to "?"); records every request. A route with a latency longer
// than the request's bound times out, as the real adapter does.
class FakeStatsService : public report::HttpPoster {
public:
    struct Route {
        report::HttpPostResult::Outcome outcome = report::HttpPostResult::Outcome::Replied;
        int status = 200;
        std::string body;
        std::chrono::milliseconds latency{0};
    };

    void Answer(const std::string& path, std::string body, int status = 200) {
        routes_[path] = Route{report::HttpPostResult::Outcome::Replied, status, std::move(body)};
    }
    void Hang(const std::string& path, std::chrono::milliseconds latency) {
        routes_[path] = Route{report::HttpPostResult::Outcome::Replied, 200, "1.9", latency};
    }
    void Down() { down_ = true; }

    report::HttpPostResult Post(const report::HttpPostRequest& request) override {
        requests.push_back(request);
        if (down_) {
            return {report::HttpPostResult::Outcome::Failed, 0, {}};
        }
        const std::string url = request.url;
        const std::string path = url.substr(0, url.find('?'));
        auto it = routes_.find(path);
        if (it == routes_.end()) {
            return {report::HttpPostResult::Outcome::Replied, 404, "<h1>Not Found</h1>"};
        }
        if (it->second.latency > request.timeout) {
            return {report::HttpPostResult::Outcome::TimedOut, 0, {}};
        }
        return {it->second.outcome, it->second.status, it->second.body};
    }

    std::vector<report::HttpPostRequest> requests;

private:
    bool down_ = false;
    std::map<std::string, Route> routes_;
};

class FakeMacSource : public report::MacSource {
public:
    std::optional<std::vector<std::string>> macs = std::vector<std::string>{"00:1A:2B:3C:4D:5E"};
    int queries = 0;
    std::optional<std::vector<std::string>> IpEnabledMacs() override {
        ++queries;
        return macs;
    }
};

class FakePrompt : public report::Prompt {
public:
    struct Shown {
        std::string text;
        report::PromptButtons buttons;
        report::PromptIcon icon;
        bool windowVisible;  // the main window's state while the box was up
    };
    explicit FakePrompt(const bool* windowVisible) : windowVisible_(windowVisible) {}

    std::deque<report::PromptAnswer> answers;  // Cancel once they run out (the box closed)
    std::vector<Shown> shown;

    report::PromptAnswer Show(const std::string& text, report::PromptButtons buttons,
                              report::PromptIcon icon) override {
        shown.push_back({text, buttons, icon, windowVisible_ != nullptr && *windowVisible_});
        if (beforeAnswer) {
            beforeAnswer();
        }
        if (answers.empty()) {
            return report::PromptAnswer::Cancel;
        }
        report::PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    // Runs while the box is up: what the user does meanwhile (e.g. a tray click).
    std::function<void()> beforeAnswer;

private:
    const bool* windowVisible_;
};

class FakeLauncher : public report::ProgramLauncher {
public:
    bool updaterPresent = true;
    std::vector<std::string> started;
    bool Start(const std::string& fileName) override {
        if (!updaterPresent) {
            return false;
        }
        started.push_back(fileName);
        return true;
    }
};

// The main window as the exchange sees it; events are recorded in order.
class FakeExchangeHost : public report::ExchangeHost {
public:
    bool windowVisible = true;
    std::string postServer;  // the registry value PostServer
    std::string statsHost;   // the registry value naming the host
    bool endedForUpdate = false;
    std::vector<std::string> events;

    void HideMainWindow() override {
        windowVisible = false;
        events.push_back("hide");
    }
    void ShowMainWindow() override {
        windowVisible = true;
        events.push_back("show");
    }
    std::string ReadPostServer() override { return postServer; }
    void StorePostServer() override {
        postServer = "1";
        events.push_back("store PostServer");
    }
    std::string ReadStatsHost() override { return statsHost; }
    void EndForUpdate() override {
        endedForUpdate = true;
        events.push_back("end for update");
    }
};

}  // namespace qvx::fakes
