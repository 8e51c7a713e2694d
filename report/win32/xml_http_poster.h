#pragma once
// HttpPoster through the system's Msxml2.XMLHTTP object.

#include "base/log.h"
#include "report/report_ports.h"

namespace qvx::report::win32 {

// The object has no time-out of its own (Wine's ServerXMLHTTP ignores setTimeouts, and an
// asynchronous request to a refused port never completes there), so the synchronous request runs
// on a helper thread with its own apartment, and the calling thread waits for it up to the bound,
// without pumping messages: the window stays blocked as with a plain synchronous request, and no
// tick or click handler can run inside the exchange. A request still hanging at the bound is
// left to its helper, which owns everything it touches.
class XmlHttpPoster : public HttpPoster {
public:
    // log: where a request that broke down (rather than failed on the network) is written.
    explicit XmlHttpPoster(base::Log& log) : log_(log) {}
    HttpPostResult Post(const HttpPostRequest& request) override;

private:
    base::Log& log_;
};

}  // namespace qvx::report::win32
