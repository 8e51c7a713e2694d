#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "updater/file_port.h"
#include "updater/internet_port.h"
#include "updater/message_pump.h"

namespace qvx::updater {

// Synchronous HTTP download of one resource into one new local file, with events.
//
// Use: set URL and SaveFile, call CreateConnect, then Start; the events arrive from inside
// those calls. Start keeps the window alive by handling window messages between reads, so a
// handler may call Cancel meanwhile, and a DownloadOver handler may start the next transfer on
// the same object (it runs to its end before the outer Start returns). Start called again for a
// connection whose body is being read already does nothing.
//
// Outcomes of Start (exactly one of them):
//   complete body   OnProgress..., WriteOver, DownloadOver      (file holds the body)
//   cancelled       OnProgress..., DownloadOver (no WriteOver)  (file holds the chunks so far)
//   SaveFile exists WriteError                                  (existing file untouched)
//   file trouble    WriteError                                  (our partial file removed)
//   broken body     TransferError                               (our partial file removed)
// CreateConnect raises LineError when no connection can be made; Start then does nothing.
//
// URL and SaveFile are texts in the system code page, passed to the platform byte for byte.
class CStdDown {
public:
    CStdDown(InternetPort& internet, FilePort& files, MessagePump& pump);
    virtual ~CStdDown();
    CStdDown(const CStdDown&) = delete;
    CStdDown& operator=(const CStdDown&) = delete;

    std::string URL;
    std::string SaveFile;

    // Opens the internet handle and the address and reads the response header block.
    void CreateConnect();
    // Transfers the body into SaveFile.
    void Start();
    // Marks the object not connected and closes its handles.
    void Cancel();

    // Response header values. "0" when not connected or when the header block could not be
    // read; empty text when the server did not send that header (so a missing Content-Length
    // is never mistaken for a length).
    std::string FileLength();
    std::string FileType();
    std::string FileDate();
    std::string FileLastModified();
    std::string ServerInfo();

    // HTTP status of the last CreateConnect (200, 404, ...); 0 when there was no answer. The body
    // of an error answer is still transferred, so a caller that installs files checks this.
    long StatusCode() const { return statusCode_; }

    // Events, in their order of declaration. A handler may be replaced from inside an event.
    std::function<void(long& Value)> OnProgress;  // after every read: bytes received so far
    std::function<void()> DownloadOver;           // transfer ended (complete or cancelled)
    std::function<void()> WriteOver;              // the whole body has been written
    std::function<void()> LineError;              // no connection could be made
    std::function<void()> WriteError;             // SaveFile exists, or creating/writing failed
    // The body could not be received completely (a failed read, or fewer bytes than the
    // declared Content-Length). Raised after the connection is closed and the partial file
    // removed; DownloadOver and WriteOver are not raised.
    std::function<void()> TransferError;

private:
    std::string HeaderValue(const char* name, std::size_t skip);
    std::optional<std::string> FindHeader(const char* name, std::size_t skip) const;
    void ReadHeaderBlock();
    void ReadStatusCode();
    void CloseConnection();
    bool OwnsLiveConnection(std::uint64_t connection) const;
    void CloseIfStillOwn(std::uint64_t connection);
    void Raise(const std::function<void()>& event);
    void RaiseProgress(long value);

    InternetPort& internet_;
    FilePort& files_;
    MessagePump& pump_;

    bool connected_ = false;
    InternetPort::Handle session_ = 0;  // InternetOpen
    InternetPort::Handle request_ = 0;  // InternetOpenUrl
    std::string headerBlock_;           // raw headers, each line ended by NUL; empty if unreadable
    long statusCode_ = 0;
    // Numbers each CreateConnect, so a transfer can tell its own connection from one opened by
    // a handler running inside it.
    std::uint64_t connection_ = 0;
    std::uint64_t transferring_ = 0;  // the connection whose body Start is reading, 0 if none
};

}  // namespace qvx::updater
