#include "control/gst/PulseConnection.h"

#include <glib.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace sonarel::gst {

namespace {

    std::mutex connectionMutex;
    // Never destroyed: libpulse's thread may still run while static objects are torn down at exit.
    auto* current = new std::shared_ptr<PulseConnection>();

    constexpr auto CONNECT_TIMEOUT = std::chrono::milliseconds(500);

    struct ConnectProgress {
        std::mutex mutex;
        std::condition_variable changed;
        bool settled = false; // ready, or failed for good
    };

    // libpulse's thread, with the loop locked.
    void OnContextState(pa_context* context, void* data)
    {
        auto* progress = static_cast<ConnectProgress*>(data);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state)) {
            {
                const std::lock_guard lock(progress->mutex);
                progress->settled = true;
            }
            progress->changed.notify_all();
        }
    }

    std::string ServerSetting()
    {
        const char* server = std::getenv("PULSE_SERVER");
        return server != nullptr ? server : "";
    }

    // A listing under way; the callback's copy keeps it alive when the caller stopped waiting.
    struct SinkListing {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        std::vector<PulseSinkInfo> sinks;
    };

    void OnSinkInfo(pa_context* /*context*/, const pa_sink_info* info, int eol, void* data)
    {
        auto* holder = static_cast<std::shared_ptr<SinkListing>*>(data);
        SinkListing& listing = **holder;
        if (eol == 0 && info != nullptr) {
            const std::lock_guard lock(listing.mutex);
            listing.sinks.push_back({ info->name != nullptr ? info->name : "",
                info->description != nullptr ? info->description : "" });
            return;
        }
        {
            const std::lock_guard lock(listing.mutex);
            listing.done = true;
        }
        listing.finished.notify_all();
        delete holder;
    }

} // namespace

bool PulseConnection::ListSinks(std::vector<PulseSinkInfo>* sinks, std::chrono::milliseconds timeout)
{
    auto listing = std::make_shared<SinkListing>();
    {
        const PulseLock lock(m_loop);
        auto* holder = new std::shared_ptr<SinkListing>(listing);
        pa_operation* operation = pa_context_get_sink_info_list(m_context, OnSinkInfo, holder);
        if (operation == nullptr) {
            delete holder;
            return false;
        }
        pa_operation_unref(operation);
    }
    std::unique_lock lock(listing->mutex);
    if (!listing->finished.wait_for(lock, timeout, [&] { return listing->done; })) {
        return false;
    }
    *sinks = std::move(listing->sinks);
    return true;
}

std::shared_ptr<PulseConnection> PulseConnection::Acquire(std::string* error)
{
    const std::lock_guard lock(connectionMutex);
    if (*current && (*current)->m_server == ServerSetting() && (*current)->IsReady()) {
        return *current;
    }
    std::shared_ptr<PulseConnection> connection(new PulseConnection());
    if (!connection->Connect(error)) {
        return nullptr;
    }
    *current = connection;
    return connection;
}

bool PulseConnection::Connect(std::string* error)
{
    m_server = ServerSetting();
    m_loop = pa_threaded_mainloop_new();
    if (m_loop == nullptr) {
        *error = "cannot create the sound server client's main loop";
        return false;
    }
    pa_threaded_mainloop_set_name(m_loop, "sonarel-pulse");
    pa_proplist* properties = pa_proplist_new();
    const char* application = g_get_application_name();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, application != nullptr ? application : "Sonarel");
    {
        const PulseLock lock(m_loop);
        m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), nullptr, properties);
    }
    pa_proplist_free(properties);
    if (m_context == nullptr || pa_threaded_mainloop_start(m_loop) < 0) {
        *error = "cannot start the sound server client";
        return false;
    }

    // Waited for with a bound: a server that accepts the connection and then never answers must not
    // hold up whoever asked.
    auto progress = std::make_shared<ConnectProgress>();
    {
        const PulseLock lock(m_loop);
        pa_context_set_state_callback(m_context, OnContextState, progress.get());
        if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            *error = std::string("cannot connect to the sound server: ")
                + pa_strerror(pa_context_errno(m_context));
            return false;
        }
    }
    {
        std::unique_lock lock(progress->mutex);
        progress->changed.wait_for(lock, CONNECT_TIMEOUT, [&] { return progress->settled; });
    }
    const PulseLock lock(m_loop);
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    if (pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        *error
            = std::string("cannot connect to the sound server: ") + pa_strerror(pa_context_errno(m_context));
        return false;
    }
    return true;
}

bool PulseConnection::IsReady()
{
    const PulseLock lock(m_loop);
    return pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

PulseConnection::~PulseConnection()
{
    if (m_loop == nullptr) {
        return;
    }
    if (m_context != nullptr) {
        {
            const PulseLock lock(m_loop);
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
        }
        pa_threaded_mainloop_stop(m_loop);
        pa_context_unref(m_context);
    } else {
        pa_threaded_mainloop_stop(m_loop);
    }
    pa_threaded_mainloop_free(m_loop);
}

} // namespace sonarel::gst
