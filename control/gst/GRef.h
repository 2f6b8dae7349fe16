#pragma once

// Ownership of GLib and GStreamer objects. GRef<T> holds one strong reference and drops it when it
// goes out of scope; the guards below release what is not reference-counted (g_free'd strings,
// GError), and undo what was attached or connected (main-context sources, signal handlers, pad
// probes). Header-only: the DSP module uses it as well.
//
// Two ways in:
// - GRef<T>::Adopt(p) takes over a reference the caller already owns: the result of a *_new() or
//   *_get_*() "transfer full" call. A floating reference (a fresh element) is sunk and becomes ours.
// - GRef<T>::Ref(p) adds a reference of its own to an object the caller merely borrowed
//   ("transfer none"); a floating reference is sunk as well, as GStreamer does when a bin takes a child.

#include <gst/gst.h>

#include <cstddef>
#include <memory>
#include <utility>

namespace sonarel::gst {

// GObject-derived types, GstObject and its subclasses included.
template <typename T> struct RefTraits {
    static void Ref(T* p) { g_object_ref_sink(p); }
    static void Unref(T* p) { g_object_unref(p); }
    static void Adopt(T* p)
    {
        if (g_object_is_floating(p)) {
            g_object_ref_sink(p);
        }
    }
};

// Mini objects and other boxed reference-counted types: never floating.
#define SONAREL_PLAIN_REF_TRAITS(Type, ref, unref)                                                           \
    template <> struct RefTraits<Type> {                                                                     \
        static void Ref(Type* p) { ref(p); }                                                                 \
        static void Unref(Type* p) { unref(p); }                                                             \
        static void Adopt(Type*) { }                                                                         \
    };

SONAREL_PLAIN_REF_TRAITS(GstCaps, gst_caps_ref, gst_caps_unref)
SONAREL_PLAIN_REF_TRAITS(GstMessage, gst_message_ref, gst_message_unref)
SONAREL_PLAIN_REF_TRAITS(GstEvent, gst_event_ref, gst_event_unref)
SONAREL_PLAIN_REF_TRAITS(GstQuery, gst_query_ref, gst_query_unref)
SONAREL_PLAIN_REF_TRAITS(GstBuffer, gst_buffer_ref, gst_buffer_unref)
SONAREL_PLAIN_REF_TRAITS(GstTagList, gst_tag_list_ref, gst_tag_list_unref)
SONAREL_PLAIN_REF_TRAITS(GMainContext, g_main_context_ref, g_main_context_unref)
SONAREL_PLAIN_REF_TRAITS(GSource, g_source_ref, g_source_unref)

#undef SONAREL_PLAIN_REF_TRAITS

template <typename T> class GRef {
public:
    GRef() = default;
    GRef(std::nullptr_t) { }
    ~GRef() { reset(); }

    [[nodiscard]] static GRef Adopt(T* p)
    {
        GRef ref;
        if (p != nullptr) {
            RefTraits<T>::Adopt(p);
            ref.p_ = p;
        }
        return ref;
    }

    [[nodiscard]] static GRef Ref(T* p)
    {
        GRef ref;
        if (p != nullptr) {
            RefTraits<T>::Ref(p);
            ref.p_ = p;
        }
        return ref;
    }

    GRef(const GRef& other)
        : p_(other.p_)
    {
        if (p_ != nullptr) {
            RefTraits<T>::Ref(p_);
        }
    }
    GRef(GRef&& other) noexcept
        : p_(std::exchange(other.p_, nullptr))
    {
    }
    GRef& operator=(const GRef& other)
    {
        if (this != &other) {
            GRef copy(other);
            swap(copy);
        }
        return *this;
    }
    GRef& operator=(GRef&& other) noexcept
    {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    void reset()
    {
        if (T* p = std::exchange(p_, nullptr)) {
            RefTraits<T>::Unref(p);
        }
    }
    // Gives the reference up to a "transfer full" callee.
    [[nodiscard]] T* release() { return std::exchange(p_, nullptr); }
    void swap(GRef& other) noexcept { std::swap(p_, other.p_); }

    [[nodiscard]] T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    friend bool operator==(const GRef& a, const GRef& b) { return a.p_ == b.p_; }

private:
    T* p_ = nullptr;
};

// Strings and errors that the callee hands over.
struct GFreeDeleter {
    void operator()(gpointer p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct GErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

// Collects a GError out-parameter: `GErrorOut error; call(..., error.out()); if (error) ...`.
class GErrorOut {
public:
    GErrorOut() = default;
    GErrorOut(const GErrorOut&) = delete;
    GErrorOut& operator=(const GErrorOut&) = delete;
    ~GErrorOut() { reset(); }
    [[nodiscard]] GError** out()
    {
        reset();
        return &error_;
    }
    [[nodiscard]] const GError* get() const { return error_; }
    explicit operator bool() const { return error_ != nullptr; }
    [[nodiscard]] const char* message() const { return error_ != nullptr ? error_->message : ""; }
    void reset()
    {
        if (error_ != nullptr) {
            g_error_free(error_);
            error_ = nullptr;
        }
    }

private:
    GError* error_ = nullptr;
};

// A source attached to a main context (bus watch, timeout, idle): destroyed, so that it never fires
// again, when the guard goes.
class AttachedSource {
public:
    AttachedSource() = default;
    // Takes over a freshly created source that the caller has already attached.
    explicit AttachedSource(GSource* source)
        : source_(GRef<GSource>::Adopt(source))
    {
    }
    AttachedSource(AttachedSource&&) noexcept = default;
    AttachedSource& operator=(AttachedSource&& other) noexcept
    {
        if (this != &other) {
            reset();
            source_ = std::move(other.source_);
        }
        return *this;
    }
    ~AttachedSource() { reset(); }

    void reset()
    {
        if (source_) {
            g_source_destroy(source_.get());
            source_.reset();
        }
    }
    [[nodiscard]] GSource* get() const { return source_.get(); }
    explicit operator bool() const { return static_cast<bool>(source_); }

private:
    GRef<GSource> source_;
};

// A connected signal handler; disconnected when the guard goes. Keeps the instance alive.
class SignalConnection {
public:
    SignalConnection() = default;
    SignalConnection(gpointer instance, gulong id)
        : instance_(GRef<GObject>::Ref(G_OBJECT(instance)))
        , id_(id)
    {
    }
    SignalConnection(SignalConnection&& other) noexcept
        : instance_(std::move(other.instance_))
        , id_(std::exchange(other.id_, 0))
    {
    }
    SignalConnection& operator=(SignalConnection&& other) noexcept
    {
        if (this != &other) {
            reset();
            instance_ = std::move(other.instance_);
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    ~SignalConnection() { reset(); }

    void reset()
    {
        if (instance_ && id_ != 0 && g_signal_handler_is_connected(instance_.get(), id_)) {
            g_signal_handler_disconnect(instance_.get(), id_);
        }
        id_ = 0;
        instance_.reset();
    }

private:
    GRef<GObject> instance_;
    gulong id_ = 0;
};

// A probe installed on a pad; removed when the guard goes. Keeps the pad alive.
class PadProbe {
public:
    PadProbe() = default;
    PadProbe(GstPad* pad, gulong id)
        : pad_(GRef<GstPad>::Ref(pad))
        , id_(id)
    {
    }
    PadProbe(PadProbe&& other) noexcept
        : pad_(std::move(other.pad_))
        , id_(std::exchange(other.id_, 0))
    {
    }
    PadProbe& operator=(PadProbe&& other) noexcept
    {
        if (this != &other) {
            reset();
            pad_ = std::move(other.pad_);
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    ~PadProbe() { reset(); }

    void reset()
    {
        if (pad_ && id_ != 0) {
            gst_pad_remove_probe(pad_.get(), id_);
        }
        id_ = 0;
        pad_.reset();
    }

private:
    GRef<GstPad> pad_;
    gulong id_ = 0;
};

} // namespace sonarel::gst
