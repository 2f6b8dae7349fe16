#include "update/HttpFetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

namespace {

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;

// The easy handle stays in the multi handle while this lives; both must outlive it.
class MultiMembership {
public:
    MultiMembership(CURLM* multi, CURL* easy)
        : m_multi(multi)
        , m_easy(easy)
        , m_added(curl_multi_add_handle(multi, easy) == CURLM_OK)
    {
    }
    ~MultiMembership()
    {
        if (m_added)
            curl_multi_remove_handle(m_multi, m_easy);
    }
    MultiMembership(const MultiMembership&) = delete;
    MultiMembership& operator=(const MultiMembership&) = delete;
    [[nodiscard]] bool Added() const { return m_added; }

private:
    CURLM* m_multi;
    CURL* m_easy;
    bool m_added;
};

struct Transfer {
    std::string bytes;
    std::size_t maxBytes = 0;
    bool full = false;
    std::stop_token stop;
};

// Keeps what fits; once the limit is reached, taking less than offered makes libcurl end the
// transfer with a write error, which the caller recognises by the full flag.
std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t offered = size * count;
    const std::size_t taken = std::min(offered, transfer.maxBytes - transfer.bytes.size());
    transfer.bytes.append(data, taken);
    if (taken < offered)
        transfer.full = true;
    return taken;
}

// Also stops the transfer from within libcurl's own steps, not only between polls.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<Transfer*>(user)->stop.stop_requested() ? 1 : 0;
}

bool SetOptions(CURL* easy, const FetchRequest& request, Transfer& transfer)
{
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
        ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
    };
    set(CURLOPT_URL, request.Url.c_str());
    set(CURLOPT_USERAGENT, request.Agent.c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, request.MaxRedirects);
    // Direct access: no proxy, whatever the environment says.
    set(CURLOPT_PROXY, "");
    set(CURLOPT_FAILONERROR, 1L);
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    // Worker threads must not receive signals from libcurl's timeouts.
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.ConnectTimeout.count()));
    set(CURLOPT_TIMEOUT_MS, static_cast<long>(request.TotalTimeout.count()));
    set(CURLOPT_WRITEFUNCTION, &OnData);
    set(CURLOPT_WRITEDATA, static_cast<void*>(&transfer));
    set(CURLOPT_XFERINFOFUNCTION, &OnProgress);
    set(CURLOPT_XFERINFODATA, static_cast<void*>(&transfer));
    set(CURLOPT_NOPROGRESS, 0L);
    return ok;
}

FetchResult Failed(std::string error, long httpCode = 0)
{
    FetchResult result;
    result.Status = FETCH_FAILED;
    result.HttpCode = httpCode;
    result.Error = std::move(error);
    return result;
}

} // namespace

bool InitHttpClient()
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return initialised;
}

FetchResult FetchDocument(const FetchRequest& request, std::stop_token stop)
{
    if (!InitHttpClient())
        return Failed("libcurl could not be initialised");
    if (request.MaxBytes == 0)
        return Failed("nothing to read");

    Transfer transfer;
    transfer.maxBytes = request.MaxBytes;
    transfer.stop = stop;
    transfer.bytes.reserve(std::min<std::size_t>(request.MaxBytes, 65536));

    const EasyHandle easy(curl_easy_init());
    const MultiHandle multi(curl_multi_init());
    if (!easy || !multi)
        return Failed("out of memory");
    if (!SetOptions(easy.get(), request, transfer))
        return Failed("libcurl refused an option");
    const MultiMembership membership(multi.get(), easy.get());
    if (!membership.Added())
        return Failed("libcurl refused the transfer");

    // A stop from another thread wakes the poll below at once; curl_multi_wakeup may be called from
    // any thread. Declared after the handles, so it is unregistered before they go.
    const std::stop_callback wake(stop, [handle = multi.get()] { curl_multi_wakeup(handle); });

    int running = 1;
    while (running > 0) {
        if (stop.stop_requested())
            return { FETCH_CANCELLED, {}, 0, "cancelled" };
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
            return Failed("libcurl transfer error");
        if (running > 0 && curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr) != CURLM_OK)
            return Failed("libcurl poll error");
    }
    if (stop.stop_requested())
        return { FETCH_CANCELLED, {}, 0, "cancelled" };

    CURLcode code = CURLE_FAILED_INIT;
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy.get())
            code = message->data.result;
    }
    long httpCode = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &httpCode);

    // Stopping the transfer on purpose after the last byte that fits is a success.
    if (code != CURLE_OK && !(code == CURLE_WRITE_ERROR && transfer.full))
        return Failed(curl_easy_strerror(code), httpCode);
    if (httpCode < 200 || httpCode > 299)
        return Failed("HTTP status " + std::to_string(httpCode), httpCode);
    if (transfer.bytes.empty())
        return Failed("empty document", httpCode);

    FetchResult result;
    result.Status = FETCH_OK;
    result.Bytes = std::move(transfer.bytes);
    result.HttpCode = httpCode;
    return result;
}
