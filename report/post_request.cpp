#include "report/post_request.h"

namespace qvx::report {

std::string PostRequest(HttpPoster& poster, const std::string& url) {
    HttpPostResult result = poster.Post(HttpPostRequest{url, kFormContentType, kRequestTimeout});
    if (result.outcome != HttpPostResult::Outcome::Replied) {
        return "-1";
    }
    return result.body;
}

}  // namespace qvx::report
