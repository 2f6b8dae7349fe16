#include "control/gst/PulseConnection.h"

#include <glib.h>

#include <cstdlib>
#include <mutex>

namespace sonarel::gst {

namespace {

    std::mutex connectionMutex;
    // Never destroyed: libpulse's thread may still run while static objects are torn down at exit.
    auto* current = new std::shared_ptr<PulseConnection>();

    void OnContextState(pa_context* /*context*/, void* loop)
    {
        pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
    }

    std::string ServerSetting()
    {
        const char* server = std::getenv("PULSE_SERVER");
        return server != nullptr ? server : "";
    }

} // namespace

std::shared_ptr<PulseConnection> PulseConnection::Acquire(std::string* error)
{
    const std::lock_guard lock(connectionMutex);
    if (*current && (*current)->server_ == ServerSetting() && (*current)->IsReady()) {
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
    server_ = ServerSetting();
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) {
        *error = "cannot create the sound server client's main loop";
        return false;
    }
    pa_threaded_mainloop_set_name(loop_, "sonarel-pulse");
    pa_proplist* properties = pa_proplist_new();
    const char* application = g_get_application_name();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, application != nullptr ? application : "Sonarel");
    {
        const PulseLock lock(loop_);
        context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), nullptr, properties);
    }
    pa_proplist_free(properties);
    if (context_ == nullptr || pa_threaded_mainloop_start(loop_) < 0) {
        *error = "cannot start the sound server client";
        return false;
    }

    const PulseLock lock(loop_);
    pa_context_set_state_callback(context_, OnContextState, loop_);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        *error
            = std::string("cannot connect to the sound server: ") + pa_strerror(pa_context_errno(context_));
        return false;
    }
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY) {
            return true;
        }
        if (!PA_CONTEXT_IS_GOOD(state)) {
            *error = std::string("cannot connect to the sound server: ")
                + pa_strerror(pa_context_errno(context_));
            return false;
        }
        pa_threaded_mainloop_wait(loop_);
    }
}

bool PulseConnection::IsReady()
{
    const PulseLock lock(loop_);
    return pa_context_get_state(context_) == PA_CONTEXT_READY;
}

PulseConnection::~PulseConnection()
{
    if (loop_ == nullptr) {
        return;
    }
    if (context_ != nullptr) {
        {
            const PulseLock lock(loop_);
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
        }
        pa_threaded_mainloop_stop(loop_);
        pa_context_unref(context_);
    } else {
        pa_threaded_mainloop_stop(loop_);
    }
    pa_threaded_mainloop_free(loop_);
}

} // namespace sonarel::gst
