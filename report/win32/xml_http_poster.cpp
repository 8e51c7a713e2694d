#include "report/win32/xml_http_poster.h"

#include <windows.h>
#include <msxml2.h>

#include <exception>
#include <future>
#include <memory>
#include <thread>

#include "base/win32/scoped.h"
#include "base/win32/text.h"

namespace qvx::report::win32 {

namespace {

using base::win32::Bstr;
using base::win32::ComApartment;
using base::win32::ComPtr;
using base::win32::Utf8ToWide;
using base::win32::Variant;
using base::win32::WideToUtf8;
using Outcome = HttpPostResult::Outcome;

// IXMLHTTPRequest; the import libraries do not all export it.
constexpr IID kIidXmlHttpRequest = {
    0xED8C108D, 0x4349, 0x11D2, {0x91, 0xA4, 0x00, 0xC0, 0x4F, 0x79, 0x69, 0xE8}};

HttpPostResult Failed() {
    return {Outcome::Failed, 0, {}};
}

// Runs on the helper thread: everything COM lives and dies here. The request is synchronous:
// Wine never completes an asynchronous one whose connection is refused.
HttpPostResult RunRequest(const HttpPostRequest& request) {
    ComApartment apartment;
    if (!apartment.Usable()) {
        return Failed();
    }
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"Msxml2.XMLHTTP", &clsid))) {
        return Failed();
    }
    ComPtr<IXMLHTTPRequest> xhr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidXmlHttpRequest,
                                reinterpret_cast<void**>(xhr.GetAddressOf())))) {
        return Failed();
    }
    Variant async;
    async.Get().vt = VT_BOOL;
    async.Get().boolVal = VARIANT_FALSE;
    Variant noUser;
    noUser.Get().vt = VT_ERROR;
    noUser.Get().scode = DISP_E_PARAMNOTFOUND;
    Variant noPassword;
    noPassword.Get().vt = VT_ERROR;
    noPassword.Get().scode = DISP_E_PARAMNOTFOUND;
    const Bstr method(L"POST");
    const Bstr url(Utf8ToWide(request.url));
    if (FAILED(xhr->open(method.Get(), url.Get(), async.Get(), noUser.Get(), noPassword.Get()))) {
        return Failed();
    }
    const Bstr headerName(L"Content-Type");
    const Bstr headerValue(Utf8ToWide(request.contentType));
    if (FAILED(xhr->setRequestHeader(headerName.Get(), headerValue.Get()))) {
        return Failed();
    }
    Variant noBody;
    if (FAILED(xhr->send(noBody.Get()))) {
        return Failed();  // refused, unreachable, broken reply
    }
    long status = 0;
    if (FAILED(xhr->get_status(&status)) || status <= 0) {
        return Failed();
    }
    Bstr text;
    if (FAILED(xhr->get_responseText(text.Out()))) {
        return Failed();
    }
    return {Outcome::Replied, static_cast<int>(status), WideToUtf8(text.Text())};
}

}  // namespace

HttpPostResult XmlHttpPoster::Post(const HttpPostRequest& request) {
    try {
        auto promise = std::make_shared<std::promise<HttpPostResult>>();
        std::future<HttpPostResult> reply = promise->get_future();
        std::thread helper([promise, request] {
            try {
                promise->set_value(RunRequest(request));
            } catch (...) {
                // Handed to the waiting thread, which logs it: this one may outlive the log.
                promise->set_exception(std::current_exception());
            }
        });
        if (reply.wait_for(request.timeout) == std::future_status::ready) {
            helper.join();
            return reply.get();
        }
        // The object cannot be interrupted from here (it belongs to the helper's apartment).
        // The helper owns its state, so it is left to end when the request finally fails, or
        // with the process.
        helper.detach();
        return {Outcome::TimedOut, 0, {}};
    } catch (...) {
        base::LogCurrentException(log_, "usage report request");
        return Failed();
    }
}

}  // namespace qvx::report::win32
