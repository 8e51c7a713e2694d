// CStdDown on the real WinInet, against HTTP servers that this test runs on 127.0.0.1.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "updater/win32/std_down_factory.h"
#include "updater/win32/window_message_pump.h"

namespace qvx::updater::win32 {
namespace {

using Events = std::vector<std::string>;

std::string Bytes(std::size_t n) {
    std::string body(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        body[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
    }
    return body;
}

// What the server does with one request.
struct Script {
    std::string head;  // status line and headers, without the blank line
    std::string body;
    std::size_t sendBytes = SIZE_MAX;  // body bytes sent before the connection is ended
    bool reset = false;                // end with a reset instead of a clean close
    std::size_t pieceSize = 0;         // 0: all at once; else pieces with a pause between
    int pauseMs = 0;
};

Script Answer(const std::string& status, const std::string& body, bool withLength,
              const std::string& extraHeaders = "") {
    Script s;
    s.head = "HTTP/1.1 " + status +
             "\r\nServer: qvx-test/1.0\r\nContent-Type: application/x-test\r\n" + extraHeaders +
             "Connection: close\r\n";
    if (withLength) {
        s.head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    s.body = body;
    return s;
}

// A one-thread HTTP server on 127.0.0.1 that answers each connection with the next script.
// Every wait is bounded, so a test never hangs on it.
class LoopbackServer {
public:
    explicit LoopbackServer(std::vector<Script> scripts) : scripts_(std::move(scripts)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 4);
        int size = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        thread_.join();
        ::closesocket(listener_);
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    // The request heads received so far, in order.
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::size_t next = 0;
        while (!stop_ && next < scripts_.size() && std::chrono::steady_clock::now() < deadline) {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(listener_, &ready);
            timeval wait{0, 50 * 1000};
            if (::select(0, &ready, nullptr, nullptr, &wait) != 1) {
                continue;
            }
            const SOCKET client = ::accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                continue;
            }
            Answer(client, scripts_[next++]);
        }
    }

    void Answer(SOCKET client, const Script& script) {
        DWORD timeout = 5000;
        ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                     sizeof timeout);
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            request.append(buffer, n);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        const std::string head = script.head + "\r\n";
        SendAll(client, head.data(), head.size());
        const std::size_t total = std::min(script.sendBytes, script.body.size());
        const std::size_t piece = script.pieceSize ? script.pieceSize : total;
        for (std::size_t sent = 0; sent < total && !stop_;) {
            const std::size_t n = std::min(piece, total - sent);
            if (!SendAll(client, script.body.data() + sent, n)) {
                break;
            }
            sent += n;
            if (script.pauseMs && sent < total) {
                std::this_thread::sleep_for(std::chrono::milliseconds(script.pauseMs));
            }
        }
        if (script.reset) {
            linger hard{1, 0};
            ::setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard),
                         sizeof hard);
        } else {
            ::shutdown(client, SD_SEND);
        }
        ::closesocket(client);
    }

    static bool SendAll(SOCKET client, const char* data, std::size_t size) {
        while (size > 0) {
            const int n = ::send(client, data, static_cast<int>(size), 0);
            if (n <= 0) {
                return false;
            }
            data += n;
            size -= n;
        }
        return true;
    }

    std::vector<Script> scripts_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class StdDownWineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    static void TearDownTestSuite() { ::WSACleanup(); }

    void SetUp() override {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        folder_ =
            std::string(temp) + "qvx_std_down_" + std::to_string(::GetCurrentProcessId()) + "\\";
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        down = CreateStdDown();
        down->OnProgress = [this](long& value) {
            lastProgress = value;
            ++progressEvents;
        };
        down->DownloadOver = [this] {
            events.push_back("DownloadOver");
            lengthAtEnd = down->FileLength();
            typeAtEnd = down->FileType();
            serverAtEnd = down->ServerInfo();
        };
        down->WriteOver = [this] { events.push_back("WriteOver"); };
        down->LineError = [this] { events.push_back("LineError"); };
        down->WriteError = [this] { events.push_back("WriteError"); };
        down->TransferError = [this] { events.push_back("TransferError"); };
    }

    void TearDown() override {
        down.reset();
        WIN32_FIND_DATAA found;
        const HANDLE search = ::FindFirstFileA((folder_ + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                ::DeleteFileA((folder_ + found.cFileName).c_str());
            } while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        ::RemoveDirectoryA(folder_.c_str());
    }

    std::string Path(const std::string& name) const { return folder_ + name; }

    void Fetch(const std::string& url, const std::string& save) {
        down->URL = url;
        down->SaveFile = save;
        down->CreateConnect();
        down->Start();
    }

    std::unique_ptr<CStdDown> down;
    Events events;
    long lastProgress = -1;
    int progressEvents = 0;
    std::string lengthAtEnd, typeAtEnd, serverAtEnd;

private:
    std::string folder_;
};

struct OkCase {
    const char* name;
    std::size_t size;
    bool withLength;
    std::size_t pieceSize;
    int pauseMs;
};

void PrintTo(const OkCase& c, std::ostream* os) {
    *os << c.name;
}

class StdDownWineOkTest : public StdDownWineTest, public ::testing::WithParamInterface<OkCase> {};

TEST_P(StdDownWineOkTest, StoresTheWholeBody) {
    const OkCase& c = GetParam();
    Script script = Answer("200 OK", Bytes(c.size), c.withLength);
    script.pieceSize = c.pieceSize;
    script.pauseMs = c.pauseMs;
    LoopbackServer server({script});

    Fetch(server.Url("/qvxUpgraded.ini"), Path("qvxUpgraded.ini"));

    EXPECT_EQ(events, (Events{"WriteOver", "DownloadOver"}));
    EXPECT_EQ(ReadFile(Path("qvxUpgraded.ini")), Bytes(c.size));
    EXPECT_EQ(lastProgress, static_cast<long>(c.size));
    EXPECT_EQ(down->StatusCode(), 200);
    EXPECT_EQ(lengthAtEnd, c.withLength ? std::to_string(c.size) : "");
    EXPECT_EQ(typeAtEnd, "application/x-test");
    EXPECT_EQ(serverAtEnd, "qvx-test/1.0");
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("GET /qvxUpgraded.ini HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(requests[0].find("User-Agent: Ostrel\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Answers, StdDownWineOkTest,
                         ::testing::Values(OkCase{"with_length", 70000, true, 0, 0},
                                           OkCase{"without_length", 70000, false, 0, 0},
                                           OkCase{"empty_with_length", 0, true, 0, 0},
                                           // Pieces that arrive slowly must not end the body early.
                                           OkCase{"slow_pieces_with_length", 6000, true, 700, 30},
                                           OkCase{"slow_pieces_without_length", 6000, false, 700,
                                                  30}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StdDownWineTest, ErrorPageIsStoredWithItsStatus) {
    LoopbackServer server({Answer("404 Not Found", "<html>no such file</html>", true)});
    Fetch(server.Url("/missing.dll"), Path("missing.dll"));
    EXPECT_EQ(down->StatusCode(), 404);
    EXPECT_EQ(events, (Events{"WriteOver", "DownloadOver"}));
    EXPECT_EQ(ReadFile(Path("missing.dll")), "<html>no such file</html>");
}

TEST_F(StdDownWineTest, RefusedPortRaisesLineError) {
    // A port that was free a moment ago and has no listener now.
    const SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int size = sizeof address;
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    ::closesocket(probe);

    Fetch("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/qvxUpgraded.ini",
          Path("qvxUpgraded.ini"));
    EXPECT_EQ(events, Events{"LineError"});
    EXPECT_EQ(progressEvents, 0);
    EXPECT_FALSE(FileExists(Path("qvxUpgraded.ini")));
    EXPECT_EQ(down->StatusCode(), 0);
}

struct BrokenCase {
    const char* name;
    bool withLength;
    bool reset;
};

void PrintTo(const BrokenCase& c, std::ostream* os) {
    *os << c.name;
}

class StdDownWineBrokenTest : public StdDownWineTest,
                              public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(StdDownWineBrokenTest, ServerEndingMidBodyLeavesNoFile) {
    Script script = Answer("200 OK", Bytes(200000), GetParam().withLength);
    script.sendBytes = 50000;
    script.reset = GetParam().reset;
    LoopbackServer server({script});
    Fetch(server.Url("/a.dll"), Path("a.dll"));
    EXPECT_EQ(events, Events{"TransferError"});
    EXPECT_FALSE(FileExists(Path("a.dll")));
}

// WinInet here reports a close, a reset and a cut chunked body alike as a clean end of the body,
// so only a declared length shows the break; without one the body cannot be told from a whole one.
INSTANTIATE_TEST_SUITE_P(Servers, StdDownWineBrokenTest,
                         ::testing::Values(BrokenCase{"close_with_length", true, false},
                                           BrokenCase{"reset_with_length", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StdDownWineTest, FourKibOfHeadersStillGiveTheProperties) {
    std::string filler;
    for (int i = 0; i < 64; ++i) {
        filler += "X-Filler-" + std::to_string(i) + ": " + std::string(50, 'f') + "\r\n";
    }
    LoopbackServer server({Answer("200 OK", Bytes(3000), true, filler)});
    Fetch(server.Url("/b.dat"), Path("b.dat"));
    EXPECT_EQ(events, (Events{"WriteOver", "DownloadOver"}));
    EXPECT_EQ(lengthAtEnd, "3000");
    EXPECT_EQ(typeAtEnd, "application/x-test");
    EXPECT_EQ(serverAtEnd, "qvx-test/1.0");
}

TEST_F(StdDownWineTest, ExistingFileIsNotOverwritten) {
    {
        std::ofstream out(Path("c.exe"), std::ios::binary);
        out << "installed";
    }
    LoopbackServer server({Answer("200 OK", Bytes(100), true)});
    Fetch(server.Url("/c.exe"), Path("c.exe"));
    EXPECT_EQ(events, Events{"WriteError"});
    EXPECT_EQ(ReadFile(Path("c.exe")), "installed");
}

TEST_F(StdDownWineTest, NextTransferStartedFromDownloadOver) {
    LoopbackServer server(
        {Answer("200 OK", Bytes(5000), true), Answer("200 OK", Bytes(9000), true)});
    int finished = 0;
    down->DownloadOver = [&] {
        if (++finished == 1) {
            Fetch(server.Url("/two"), Path("two"));
        }
    };
    Fetch(server.Url("/one"), Path("one"));
    EXPECT_EQ(finished, 2);
    EXPECT_EQ(ReadFile(Path("one")), Bytes(5000));
    EXPECT_EQ(ReadFile(Path("two")), Bytes(9000));
}

// A message-only window whose handler runs the given action, as a button of the updater would.
class ActionWindow {
public:
    static constexpr UINT kAction = WM_APP + 7;
    explicit ActionWindow(std::function<void()> action) : action_(std::move(action)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &ActionWindow::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QvxStdDownActionWindow";
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ActionWindow() { ::DestroyWindow(hwnd_); }
    void Post() const { ::PostMessageW(hwnd_, kAction, 0, 0); }
    int runs = 0;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == kAction) {
            auto* self = reinterpret_cast<ActionWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            ++self->runs;
            self->action_();
            return 0;
        }
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    std::function<void()> action_;
    HWND hwnd_ = nullptr;
};

TEST(WindowMessagePumpTest, DispatchesWaitingMessagesAndKeepsQuit) {
    ActionWindow window([] {});
    WindowMessagePump pump(0);
    window.Post();
    pump.DoEvents();
    EXPECT_EQ(window.runs, 1);

    ::PostQuitMessage(3);
    pump.DoEvents();
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(WindowMessagePumpTest, LooksAtTheQueueAtMostOncePerInterval) {
    ActionWindow window([] {});
    WindowMessagePump pump(200);
    pump.DoEvents();
    window.Post();
    pump.DoEvents();  // within the interval: left waiting
    EXPECT_EQ(window.runs, 0);
    ::Sleep(300);
    pump.DoEvents();
    EXPECT_EQ(window.runs, 1);
}

TEST_F(StdDownWineTest, CancelFromAWindowMessageDuringTheTransfer) {
    Script script = Answer("200 OK", Bytes(400000), true);
    script.pieceSize = 8000;
    script.pauseMs = 10;  // about half a second in all
    LoopbackServer server({script});
    ActionWindow cancelButton([this] { down->Cancel(); });
    down->OnProgress = [&](long& value) {
        lastProgress = value;
        if (++progressEvents == 1) {
            cancelButton.Post();
        }
    };
    Fetch(server.Url("/big.dat"), Path("big.dat"));

    EXPECT_EQ(cancelButton.runs, 1);
    EXPECT_EQ(events, Events{"DownloadOver"});
    // The file keeps the whole pieces received before the cancel.
    const std::string kept = ReadFile(Path("big.dat"));
    EXPECT_EQ(kept.size(), static_cast<std::size_t>(lastProgress));
    EXPECT_LT(kept.size(), 400000u);
    EXPECT_EQ(kept, Bytes(400000).substr(0, kept.size()));
}

}  // namespace
}  // namespace qvx::updater::win32
